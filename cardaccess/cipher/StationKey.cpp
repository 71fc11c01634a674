#include "cardaccess/cipher/StationKey.h"

namespace tessaly {
namespace {

// "Tessaly development key!" in ASCII.
constexpr StationKey kDevelopmentKey = {0x54, 0x65, 0x73, 0x73, 0x61, 0x6C, 0x79, 0x20,
                                        0x64, 0x65, 0x76, 0x65, 0x6C, 0x6F, 0x70, 0x6D,
                                        0x65, 0x6E, 0x74, 0x20, 0x6B, 0x65, 0x79, 0x21};

std::optional<std::uint8_t> DigitValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return static_cast<std::uint8_t>(digit - '0');
    }
    if (digit >= 'a' && digit <= 'f') {
        return static_cast<std::uint8_t>(digit - 'a' + 10);
    }
    if (digit >= 'A' && digit <= 'F') {
        return static_cast<std::uint8_t>(digit - 'A' + 10);
    }
    return std::nullopt;
}

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
        const std::optional<std::uint8_t> high = DigitValue(text[2 * i]);
        const std::optional<std::uint8_t> low = DigitValue(text[2 * i + 1]);
        if (!high || !low) {
            return std::nullopt;
        }
        key[i] = static_cast<std::uint8_t>((*high << 4) | *low);
    }
    return key;
}

}  // namespace tessaly
