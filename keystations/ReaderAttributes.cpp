#include "keystations/ReaderAttributes.h"

#include "cardaccess/ContactReaderAttributes.h"

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

    for (const FixedAttributeValue& fixed : kContactFixedAttributes) {
        if (fixed.attribute == attribute) {
            return Answered(read, fixed.value);
        }
    }
    if (IsTransmissionAttribute(attribute)) {
        if (read) {
            return Answered(true, ReadTransmissionAttribute(reader, attribute));
        }
        return SetTransmissionAttribute(reader, attribute, value) ? Answered(false, 0) : Refused(false);
    }
    return Refused(read);
}

}  // namespace tessaly
