// Which client addresses a station accepts: the AllowedClients setting.
//
// Syntax: IPv4 entries separated by commas, semicolons or blanks. An entry is a dotted-decimal
// address ("192.168.10.7") or a network in prefix notation ("192.168.10.0/24", prefix 0 to 32).
// "0.0.0.0/0" allows everyone explicitly. An empty (or blank) list means the setting is not given:
// everyone is allowed. Host names are never looked up.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/Types.h"

namespace tessaly {

class CClientFilter {
public:
    // Allows everyone.
    CClientFilter() = default;

    // The filter for a setting text, or nothing when some entry is malformed; `error` then names it.
    static std::optional<CClientFilter> Parse(const CString& text, CString& error);

    bool AllowsEveryone() const { return m_everyone; }
    // True when the dotted-decimal address is allowed. Text that is no IPv4 address is allowed only
    // when everyone is.
    bool Allows(const CString& address) const;
    // The list as it reads after normalising ("10.0.0.0/8, 127.0.0.1/32"), or "everyone".
    CString Describe() const;

private:
    struct Network {
        std::uint32_t address;  // host byte order, already masked
        std::uint32_t mask;
    };

    bool m_everyone = true;
    std::vector<Network> m_networks;
};

}  // namespace tessaly
