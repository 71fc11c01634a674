#include "keystations/BrantwickDoc.h"

#include <utility>

#include "keystations/StationSettings.h"

namespace tessaly {

CBrantwickDoc::CBrantwickDoc(CString baseKey) : m_baseKey(std::move(baseKey)) {
    LoadConfiguration();
}

CBrantwickDoc::CBrantwickDoc(std::vector<KeyStationEntry> entries, CString baseKey)
    : m_baseKey(std::move(baseKey)), m_entries(std::move(entries)) {}

CBrantwickDoc::~CBrantwickDoc() {
    StopStations();
}

bool CBrantwickDoc::LoadConfiguration() {
    m_entries = tessaly::LoadConfiguration(m_baseKey);
    return true;
}

bool CBrantwickDoc::SaveConfiguration() const {
    return tessaly::SaveConfiguration(m_baseKey, m_entries);
}

bool CBrantwickDoc::StartStations() {
    StopStations();  // never two stations of one entry
    m_startError.clear();
    CStringArray warnings;
    const std::optional<LoadedStationSettings> settings =
        LoadStationSettings(m_baseKey, m_startError, warnings);
    for (const CString& warning : warnings) {
        if (m_observer != nullptr) {
            m_observer->OnStationLog(0, warning);
        }
    }
    if (!settings) {
        m_startError += "; no key station was started.";
        return false;
    }
    for (const KeyStationEntry& entry : m_entries) {
        auto station =
            std::make_unique<CKeyStation>(entry.readerName, entry.UnsignedPort(), settings->options);
        station->SetObserver(m_observer);
        CKeyStation& started = *station;
        m_stations.push_back(std::move(station));
        (void)started.Start();
    }
    return true;
}

void CBrantwickDoc::StopStations() {
    for (const std::unique_ptr<CKeyStation>& station : m_stations) {
        station->RequestStop();
    }
    for (const std::unique_ptr<CKeyStation>& station : m_stations) {
        station->Stop();
    }
    m_stations.clear();
}

bool CBrantwickDoc::RestartStations() {
    StopStations();
    return StartStations();
}

CKeyStation* CBrantwickDoc::FindStation(int stationId) const {
    for (const std::unique_ptr<CKeyStation>& station : m_stations) {
        if (station->GetStationId() == stationId) {
            return station.get();
        }
    }
    return nullptr;
}

void CBrantwickDoc::SetObserver(CStationObserver* observer) {
    m_observer = observer;
    for (const std::unique_ptr<CKeyStation>& station : m_stations) {
        station->SetObserver(observer);
    }
}

}  // namespace tessaly
