#include "keystations/ReaderAttributes.h"

namespace tessaly {
namespace {

std::unique_ptr<CMsgReaderAttribute> Answered(bool read, std::uint32_t value) {
    return std::make_unique<CMsgReaderAttribute>(kAttributeAnswered, 0, read, value, true);
}

// Attribute 9 and above, and a value attribute 8 cannot take. A read still carries a value field
// (0), as every read answer does.
std::unique_ptr<CMsgReaderAttribute> Refused(bool read) {
    return std::make_unique<CMsgReaderAttribute>(kAttributeNotImplemented, 0, read, 0, true);
}

}  // namespace

std::unique_ptr<CMsgReaderAttribute> AnswerReaderAttribute(const CRspReaderAttribute& request,
                                                           CPcscReader& reader) {
    const std::uint32_t attribute = request.GetAttribute();
    const bool read = !request.IsSet();
    const std::uint32_t value = request.GetValue();

    for (const FixedAttributeValue& fixed : kFixedAttributeValues) {
        if (fixed.attribute == attribute) {
            return Answered(read, fixed.value);
        }
    }
    if (attribute == kAttributeCommandHandling) {
        if (read) {
            return Answered(true, reader.GetApduLevel() ? 0 : 1);
        }
        reader.SetApduLevel(value == 0);
        return Answered(false, 0);
    }
    if (attribute == kAttributeGetResponseClass) {
        if (read) {
            const std::int32_t cla = reader.GetGetResponseClass();
            return Answered(true, cla < 0 ? kOwnClassByte : static_cast<std::uint32_t>(cla));
        }
        if (value == kOwnClassByte) {
            reader.SetGetResponseClass(-1);
        } else if (value <= 0xFF) {
            reader.SetGetResponseClass(static_cast<std::int32_t>(value));
        } else {
            return Refused(false);
        }
        return Answered(false, 0);
    }
    return Refused(read);
}

}  // namespace tessaly
