#include "protocol/cipher/StationKey.h"

#include "common/TextEncoding.h"

namespace tessaly {
namespace {

// "Tessaly development key!" in ASCII.
constexpr StationKey kDevelopmentKey = {0x54, 0x65, 0x73, 0x73, 0x61, 0x6C, 0x79, 0x20,
                                        0x64, 0x65, 0x76, 0x65, 0x6C, 0x6F, 0x70, 0x6D,
                                        0x65, 0x6E, 0x74, 0x20, 0x6B, 0x65, 0x79, 0x21};

}  // namespace

const StationKey& DevelopmentStationKey() {
    return kDevelopmentKey;
}

std::optional<StationKey> ParseStationKey(std::string_view text) {
    StationKey key{};
    if (text.size() != key.size() * 2) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        const int high = HexDigitValue(text[2 * i]);
        const int low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        key[i] = static_cast<std::uint8_t>((high << 4) | low);
    }
    return key;
}

}  // namespace tessaly
