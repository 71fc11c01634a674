// The Reader Attributes a contact reader answers for, on a key station and in the driver alike:
// attributes 0 to 6 are fixed values (a set is accepted and changes nothing), 7 and 8 are the
// reader's transmission settings.
#pragma once

#include <cstdint>

#include "cardaccess/PcscReader.h"

namespace tessaly {

struct FixedAttributeValue {
    std::uint32_t attribute;
    std::uint32_t value;
};
inline constexpr FixedAttributeValue kContactFixedAttributes[] = {
    {0, 9600}, {1, 9600}, {2, 9600}, {3, 0}, {4, 22}, {5, 32}, {6, 9600},
};

inline constexpr std::uint32_t kAttributeCommandHandling = 7;  // 0: APDU level, 1: TPDU level
inline constexpr std::uint32_t kAttributeGetResponseClass = 8;
// Attribute 8's value for "the class byte of the command being answered" (GET RESPONSE class -1).
inline constexpr std::uint32_t kOwnClassByte = 0xFFFF;

// True for attribute 7 or 8.
bool IsTransmissionAttribute(std::uint32_t attribute);
// The value of attribute 7 or 8 as the reader holds it.
std::uint32_t ReadTransmissionAttribute(const CPcscReader& reader, std::uint32_t attribute);
// Sets attribute 7 or 8. False, changing nothing, for a class above 0xFF other than kOwnClassByte.
bool SetTransmissionAttribute(CPcscReader& reader, std::uint32_t attribute, std::uint32_t value);

}  // namespace tessaly
