#include "config/StationForm.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <string>

#include "driver/settings/DriverSettings.h"

namespace tessaly {
namespace {

bool StartsWithIgnoringCase(const CString& text, const CString& prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// A reader field as Save writes it.
CString StoredReader(const CString& field) {
    return field == CStationForm::kNone ? CString() : field;
}

}  // namespace

CStationForm::CStationForm(CStringArray readers, CString computerName)
    : m_computerName(std::move(computerName)) {
    m_choices.reserve(readers.size() + 1);
    m_choices.emplace_back(kNone);
    for (CString& reader : readers) {
        m_choices.push_back(std::move(reader));
    }
    const DriverSettings settings;
    m_registeredName = settings.PrinterName();
    m_registered = m_registeredName == m_computerName && settings.RegisterByName() != 0;
    m_fields.contactReader = ConfiguredChoice(settings.ReaderId());
    m_fields.contactlessReader = ConfiguredChoice(settings.PiccReaderId());
    m_fields.externalReader = ConfiguredChoice(settings.ExtReaderId());
    m_fields.port = settings.ObjectCommunicatorPort();
    m_fields.ip = AddressForDisplay(settings.ObjectCommunicatorIp());
}

std::optional<CString> CStationForm::ChooseReader(const CString& text) const {
    if (text.empty()) {
        return CString(kNone);
    }
    for (const CString& choice : m_choices) {
        if (StartsWithIgnoringCase(choice, text)) {
            return choice;
        }
    }
    return std::nullopt;
}

CString CStationForm::ConfiguredChoice(const CString& configured) const {
    const std::optional<CString> choice = ChooseReader(configured);
    return choice ? *choice : configured;
}

std::optional<CString> CStationForm::CheckFields() const {
    if (m_fields.port < kMinPort || m_fields.port > kMaxPort) {
        return CString(kPortOutOfRange);
    }
    if (m_fields.contactReader == kNone && m_fields.contactlessReader == kNone) {
        return CString(kNoProgrammingStation);
    }
    if (m_fields.contactlessReader == m_fields.contactReader) {
        return CString(kSameProgrammingReader);
    }
    if (m_fields.externalReader != kNone && (m_fields.externalReader == m_fields.contactReader ||
                                             m_fields.externalReader == m_fields.contactlessReader)) {
        return CString(kSameKeyStationReader);
    }
    return std::nullopt;
}

std::optional<CString> CStationForm::Save() const {
    if (std::optional<CString> problem = CheckFields()) {
        return problem;
    }
    DriverSettings settings;  // read afresh: what the dialog does not show is written back as it is
    settings.SetReaderId(StoredReader(m_fields.contactReader));
    settings.SetPiccReaderId(StoredReader(m_fields.contactlessReader));
    settings.SetExtReaderId(StoredReader(m_fields.externalReader));
    settings.SetObjectCommunicatorPort(m_fields.port);
    settings.SetObjectCommunicatorIp(m_fields.ip);
    settings.SaveAll();
    return std::nullopt;
}

void CStationForm::MarkRegistered() {
    m_registeredName = m_computerName;
    m_registered = true;
}

CString CStationForm::AddressForDisplay(const CString& stored) {
    // Read as "%d.%d.%d.%d" reads it: blanks before each number, anything after the fourth ignored.
    int octets[4] = {};
    const char* at = stored.c_str();
    const char* const end = at + std::strlen(at);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (at == end || *at != '.') {
                return "0.0.0.0";
            }
            ++at;
        }
        while (at != end && (*at == ' ' || *at == '\t')) {
            ++at;
        }
        const auto [next, error] = std::from_chars(at, end, octets[i]);
        if (error != std::errc() || octets[i] < 0 || octets[i] > 255) {
            return "0.0.0.0";
        }
        at = next;
    }
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." + std::to_string(octets[2]) +
           "." + std::to_string(octets[3]);
}

}  // namespace tessaly
