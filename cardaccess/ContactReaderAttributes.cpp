#include "cardaccess/ContactReaderAttributes.h"

namespace tessaly {
namespace {

constexpr std::uint32_t kLargestClass = 0xFF;

}  // namespace

bool IsTransmissionAttribute(std::uint32_t attribute) {
    return attribute == kAttributeCommandHandling || attribute == kAttributeGetResponseClass;
}

std::uint32_t ReadTransmissionAttribute(const CPcscReader& reader, std::uint32_t attribute) {
    if (attribute == kAttributeCommandHandling) {
        return reader.GetApduLevel() ? 0 : 1;
    }
    const std::int32_t cla = reader.GetGetResponseClass();
    return cla < 0 ? kOwnClassByte : static_cast<std::uint32_t>(cla);
}

bool SetTransmissionAttribute(CPcscReader& reader, std::uint32_t attribute, std::uint32_t value) {
    if (attribute == kAttributeCommandHandling) {
        reader.SetApduLevel(value == 0);
    } else if (value == kOwnClassByte) {
        reader.SetGetResponseClass(-1);
    } else if (value <= kLargestClass) {
        reader.SetGetResponseClass(static_cast<std::int32_t>(value));
    } else {
        return false;
    }
    return true;
}

}  // namespace tessaly
