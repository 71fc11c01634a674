// The list of key stations in the registry: one sub-key per station under the program's key,
//
//   <base key>\Server0\ReaderName  REG_SZ     PC/SC reader name
//   <base key>\Server0\Port        REG_DWORD  TCP port, written as its sign-extended 16-bit value
//   <base key>\Server1\...
//
// Loading takes every sub-key whose name begins with "Server" (any letter case), in the
// registry's listing order; saving replaces all of them by Server0, Server1, ... without gaps.
#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"

namespace tessaly {

inline constexpr const char* kBrantwickKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick";

struct KeyStationEntry {
    CString readerName;
    std::int16_t port = 0;  // as the registry keeps it; the station listens on its 16 bits unsigned

    std::uint16_t UnsignedPort() const { return static_cast<std::uint16_t>(port); }
    bool operator==(const KeyStationEntry&) const = default;
};

// True when `name` begins with "Server" in any letter case.
bool IsStationKeyName(const CString& name);

// The entries under `baseKey`. A missing key, or one without station sub-keys, gives none; a
// missing reader name reads as empty, a missing port as 0, a port above 0xFFFF as its low 16 bits.
std::vector<KeyStationEntry> LoadConfiguration(const CString& baseKey);

// Replaces the station sub-keys under `baseKey` by the entries. True when every delete and write
// succeeded.
bool SaveConfiguration(const CString& baseKey, const std::vector<KeyStationEntry>& entries);

}  // namespace tessaly
