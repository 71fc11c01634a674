// What every station of a run shares besides its reader and port: where it listens, whom it
// accepts and the station key of its Diversify Keys replies. Read from three optional values under
// the program's registry key:
//
//   BindAddress     REG_SZ  dotted-decimal local address to listen on; missing or blank: all
//   AllowedClients  REG_SZ  addresses allowed to connect (ClientFilter.h); missing or blank: everyone
//   StationKey      REG_SZ  48 hexadecimal digits; missing: the published development key, with a
//                           warning
//
// A value that is present but malformed stops the stations from starting: a typing error must
// never open a station to everyone or fall back to a published key.
#pragma once

#include <memory>
#include <optional>

#include "protocol/cipher/CipherEnvelope.h"
#include "common/Types.h"
#include "keystations/ClientFilter.h"

namespace tessaly {

struct StationOptions {
    CString bindAddress;                           // empty: all local addresses
    std::shared_ptr<const CClientFilter> clients;  // null: everyone
    std::shared_ptr<const CCipherContext> cipher;  // null: the development key
};

struct LoadedStationSettings {
    StationOptions options;
    bool developmentKey = false;  // StationKey was missing
};

inline constexpr const char* kBindAddressValue = "BindAddress";
inline constexpr const char* kAllowedClientsValue = "AllowedClients";
inline constexpr const char* kStationKeyValue = "StationKey";

// Reads the three values under `baseKey` (a full key path). Nothing when a value is malformed;
// `error` then says which and why (never the key itself). `warnings` gets the lines to log.
std::optional<LoadedStationSettings> LoadStationSettings(const CString& baseKey, CString& error,
                                                         CStringArray& warnings);

}  // namespace tessaly
