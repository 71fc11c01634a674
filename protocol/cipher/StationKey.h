// The 24-byte Triple DES key that host and stations share: K1, K2, K3.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaly {

using StationKey = std::array<std::uint8_t, 24>;

// The key for development and tests, used when the `StationKey` setting is missing. It is public:
// a production installation must set its own key.
const StationKey& DevelopmentStationKey();

// The `StationKey` setting: exactly 48 hexadecimal digits, either case, nothing else (no blanks, no
// prefix). Empty when the text is anything else; a caller must then report the setting as invalid
// rather than fall back to the development key.
std::optional<StationKey> ParseStationKey(std::string_view text);

}  // namespace tessaly
