// Reader Attribute: read or set one attribute of the contact station or the contactless reader.
#pragma once

#include <cstdint>

#include "protocol/ObjCommResponse.h"
#include "protocol/ValueCodes.h"

namespace tessaly {

class CRspReaderAttribute final : public CResponseFields<CRspReaderAttribute> {
public:
    static constexpr const char* kClassName = "CRspReaderAttribute";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x16;
    static constexpr const char* kDisplayName = "Reader Attribute";
    // Attributes 0 to 26 are known.
    static constexpr std::uint32_t kLastAttribute = 26;

    CRspReaderAttribute(CInBinaryString& body, bool extended);

    std::uint32_t GetDestination() const { return m_destination; }
    std::uint32_t GetAttribute() const { return m_attribute; }
    bool IsSet() const { return m_setFlag != 0; }
    // The set flag as it arrived (non-zero: set).
    std::uint32_t GetSetFlag() const { return m_setFlag; }
    // 0 when the attribute is only read.
    std::uint32_t GetValue() const { return m_value; }

    // "Unknown Value" for an attribute above 26.
    static const char* AttributeName(std::uint32_t attribute);
    // The value as the description shows it: "Invalid value" outside the attribute's range,
    // "Unknown Attribute Data Value" for an attribute above 26.
    static CString ValueText(std::uint32_t attribute, std::uint32_t value);

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination", describe::Table{kAttributeDestinations, "Unknown Value"});
        v.U8(m_attribute, "Attribute", NameText{});
        v.U8(m_setFlag);
        if constexpr (V::kDescribing) {
            if (m_setFlag == 0) {
                v.Entry("Get Value");
            } else {
                v.Pair("Value", ValueText(m_attribute, m_value));
            }
        } else if (m_setFlag != 0) {
            v.U32(m_value);
        }
    }

private:
    struct NameText {
        CString operator()(std::uint32_t attribute) const { return AttributeName(attribute); }
    };

    std::uint32_t m_destination = 0;
    std::uint32_t m_attribute = 0;
    std::uint32_t m_setFlag = 0;
    std::uint32_t m_value = 0;
};

}  // namespace tessaly
