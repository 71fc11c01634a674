// The program's document: the configured station list and the running stations. Both front ends
// (the Windows window, the Linux program) drive it from one thread; stations report back through
// the observer from their own threads, naming themselves by id.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "common/Types.h"
#include "keystations/KeyStation.h"
#include "keystations/StationConfiguration.h"
#include "keystations/StationObserver.h"

namespace tessaly {

class CBrantwickDoc {
public:
    // The list from the registry under `baseKey` (LoadConfiguration).
    explicit CBrantwickDoc(CString baseKey = kBrantwickKey);
    // A given list; the station list in the registry is neither read nor written. The settings of
    // StationSettings.h are still read from `baseKey` when the stations start.
    CBrantwickDoc(std::vector<KeyStationEntry> entries, CString baseKey = kBrantwickKey);
    CBrantwickDoc(const CBrantwickDoc&) = delete;
    CBrantwickDoc& operator=(const CBrantwickDoc&) = delete;
    // Stops and destroys every station.
    ~CBrantwickDoc();

    // Replaces the in-memory list by the registry's; always true.
    bool LoadConfiguration();
    // Writes the in-memory list to the registry; false when some write failed.
    bool SaveConfiguration() const;

    const std::vector<KeyStationEntry>& Entries() const { return m_entries; }
    // The Edit Configuration dialog's Save (the Windows window): the new list, applied by the next
    // start and written to the registry only by SaveConfiguration.
    void SetEntries(std::vector<KeyStationEntry> entries) { m_entries = std::move(entries); }
    const CString& BaseKey() const { return m_baseKey; }

    // Reads the settings, then makes and starts one station per entry, in list order. A station
    // whose start fails stays in the list with its failure status. False, with no station made and
    // the reason in StartError, when a setting is malformed.
    bool StartStations();
    // Stops every station (all are asked at once, then each is waited for) and destroys them.
    void StopStations();
    // "Restart Key Stations": StopStations, then StartStations from the in-memory list.
    bool RestartStations();

    // Why the last StartStations made no stations; empty when it did.
    const CString& StartError() const { return m_startError; }
    const std::vector<std::unique_ptr<CKeyStation>>& Stations() const { return m_stations; }
    // The station with that id, or null (it may have been destroyed since it reported).
    CKeyStation* FindStation(int stationId) const;

    // Borrowed; told about every station of this document and about settings warnings.
    void SetObserver(CStationObserver* observer);

private:
    CString m_baseKey;
    std::vector<KeyStationEntry> m_entries;
    std::vector<std::unique_ptr<CKeyStation>> m_stations;
    CString m_startError;
    CStationObserver* m_observer = nullptr;
};

}  // namespace tessaly
