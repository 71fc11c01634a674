// Reader Attribute on a key station: attributes 0 to 6 are fixed values of a contact station, 7
// and 8 are the reader's transmission settings, 9 and above are refused with error indicator '7'.
#pragma once

#include <cstdint>
#include <memory>

#include "cardaccess/PcscReader.h"
#include "protocol/incoming/contact/ReaderAttribute.h"
#include "protocol/outgoing/StationAcks.h"

namespace tessaly {

// What a read of attributes 0 to 6 reports; a set of them is accepted and changes nothing.
struct FixedAttributeValue {
    std::uint32_t attribute;
    std::uint32_t value;
};
inline constexpr FixedAttributeValue kFixedAttributeValues[] = {
    {0, 9600}, {1, 9600}, {2, 9600}, {3, 0}, {4, 22}, {5, 32}, {6, 9600},
};

inline constexpr std::uint32_t kAttributeCommandHandling = 7;
inline constexpr std::uint32_t kAttributeGetResponseClass = 8;
// Attribute 8's value for "the class byte of the command being answered" (GET RESPONSE class -1).
inline constexpr std::uint32_t kOwnClassByte = 0xFFFF;

// Reads or sets the attribute on `reader` and makes the acknowledgement (extended, return code 0).
std::unique_ptr<CMsgReaderAttribute> AnswerReaderAttribute(const CRspReaderAttribute& request,
                                                           CPcscReader& reader);

}  // namespace tessaly
