// The configuration dialog's logic, shared by its front ends: the fields it shows, the reader choices,
// the checks that run before every action, and Save. The front end owns the controls; this class
// owns what they stand for.
#pragma once

#include <cstdint>
#include <optional>

#include "common/Types.h"

namespace tessaly {

// What the dialog's controls hold.
struct StationFormFields {
    CString contactReader;      // a reader choice, "none", or empty when the list has no selection
    CString contactlessReader;  // likewise
    CString externalReader;     // likewise (the dedicated key-station reader)
    std::uint32_t port = 0;
    CString ip;  // dotted decimal, as the address control shows it
};

class CStationForm {
public:
    static constexpr const char* kNone = "none";
    static constexpr std::uint32_t kMinPort = 1;
    static constexpr std::uint32_t kMaxPort = 32000;

    static constexpr const char* kRegistered = "Registered as computer name.";
    static constexpr const char* kRegistrationRequired = "<<< Registration required.";

    static constexpr const char* kPortOutOfRange = "Please enter an integer between 1 and 32000.";
    static constexpr const char* kNoProgrammingStation =
        "You must select a contact programming station or a contactless programming station (or both).";
    static constexpr const char* kSameProgrammingReader =
        "You cannot use the same reader for both the contact and contactless programming stations.";
    static constexpr const char* kSameKeyStationReader =
        "You cannot use the same reader for both the programming station and dedicated key station.";

    // Reads the settings and fills the fields as the dialog does when it opens. `readers` are the
    // PC/SC reader names in listing order (empty when none could be listed).
    CStationForm(CStringArray readers, CString computerName);

    // "none" followed by every reader, in listing order.
    const CStringArray& ReaderChoices() const { return m_choices; }
    // The first choice that begins with `text` (letter case ignored); "none" for an empty text;
    // nothing when no choice matches.
    std::optional<CString> ChooseReader(const CString& text) const;

    // The fields as the controls show them after opening: each list on its configured reader.
    const StationFormFields& Fields() const { return m_fields; }
    StationFormFields& Fields() { return m_fields; }

    // The checks of the field exchange, in the dialog's order. The message to show, or nothing when
    // the fields may be used.
    std::optional<CString> CheckFields() const;

    // Checks, then writes the nine values (readers "none" written empty; the values the dialog does
    // not show are written as the registry holds them, defaults included). The message shown on
    // failure, nothing when saved.
    std::optional<CString> Save() const;

    const CString& ComputerName() const { return m_computerName; }
    const CString& RegisteredName() const { return m_registeredName; }
    bool IsRegistered() const { return m_registered; }
    const char* RegistrationState() const { return m_registered ? kRegistered : kRegistrationRequired; }

    // After the host accepted the registration: the registered name is the computer name now.
    void MarkRegistered();

    // The dotted-decimal form of a stored address text: four numbers from 0 to 255, else "0.0.0.0".
    static CString AddressForDisplay(const CString& stored);

private:
    // The reader field for a configured value: the matching choice, "none", or the configured text
    // itself when its reader is not present (kept, so that saving other changes does not lose it).
    CString ConfiguredChoice(const CString& configured) const;

    CStringArray m_choices;
    CString m_computerName;
    CString m_registeredName;
    bool m_registered = false;
    StationFormFields m_fields;
};

}  // namespace tessaly
