// The configuration utility's two exchanges with the host-side server: a health check, and the
// registration of this computer under its host name. Each is one connection: connect, send one
// message, read one answer, close. No time-out: the call blocks until the host answers or the
// connection ends.
#pragma once

#include <cstdint>

#include "common/Types.h"

namespace tessaly {

struct HostExchangeOutcome {
    CString message;  // what the operator is shown
    bool success = false;
};

inline constexpr const char* kUnableToConnect = "Unable to Connect to Rudari Zovuravirero.";
inline constexpr const char* kHostResponding = "Rudari Zovuravirero responding.";
inline constexpr const char* kHostUnexpectedResponse = "Rudari Zovuravirero returned unexpected response.";

// "Check if present".
HostExchangeOutcome CheckHostPresent(const CString& ip, std::uint16_t port);

// "Register": asks the host to register `computerName` in place of `registeredName`. When the host
// accepts, "PrinterName" becomes the computer name and "RegisterByName" 1 in the settings (those two
// values only), and the message is the registration label's new text.
HostExchangeOutcome RegisterComputer(const CString& ip, std::uint16_t port, const CString& computerName,
                                     const CString& registeredName);

}  // namespace tessaly
