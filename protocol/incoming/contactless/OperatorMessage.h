// An operator message from the host: a text, a button scheme and an optional request for input.
#pragma once

#include <cstdint>

#include "common/ValueTable.h"
#include "protocol/ObjCommResponse.h"

namespace tessaly {

class CRspMessage final : public CResponseFields<CRspMessage> {
public:
    static constexpr const char* kClassName = "CRspMessage";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x20;

    static constexpr std::uint8_t kButtonsOkCancel = 0x43;  // 'C'
    static constexpr std::uint8_t kButtonsOk = 0x4F;        // 'O'
    static constexpr std::uint8_t kButtonsYesNo = 0x59;     // 'Y'

    static constexpr std::uint8_t kInputHexadecimal = 0x48;  // 'H'
    static constexpr std::uint8_t kInputDecimal = 0x49;      // 'I'
    static constexpr std::uint8_t kInputAny = 0x59;          // 'Y'
    static constexpr std::uint8_t kInputNone = 0x4E;         // 'N'

    static constexpr std::uint8_t kInputSecret = 0x53;   // 'S'
    static constexpr std::uint8_t kConfirmInput = 0x59;  // 'Y'
    static constexpr std::uint8_t kAnswerNo = 0x4E;      // 'N' for security and confirmation

    static constexpr CodeText kButtonSchemes[] = {
        {kButtonsOkCancel, "'Ok' and Cancel Button Scheme"},
        {kButtonsOk, " 'Ok' Button Scheme"},
        {kButtonsYesNo, " 'Yes' and 'No' Button Scheme"},
    };
    static constexpr CodeText kInputIndicators[] = {
        {kInputHexadecimal, "Hexadecimal input is required"},
        {kInputDecimal, "Decimal input is required"},
        {kInputAny, "Input is required"},
        {kInputNone, "Input is not required"},
    };
    static constexpr CodeText kInputSecurity[] = {
        {kInputSecret, "Security of information is required"},
        {kAnswerNo, "Security of information is not required"},
    };
    static constexpr CodeText kConfirmations[] = {
        {kConfirmInput, "Confirmation is needed"},
        {kAnswerNo, "Confirmation is not needed"},
    };

    CRspMessage(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    const CString& GetText() const { return m_text; }
    std::uint32_t GetButtonScheme() const { return m_buttonScheme; }
    std::uint32_t GetInputIndicator() const { return m_inputIndicator; }
    // 0, 'N' and 'N' when the indicator is 'N' (the body then ends after the indicator).
    std::uint32_t GetExpectedInputLength() const { return m_expectedInputLength; }
    std::uint32_t GetInputSecurity() const { return m_inputSecurity; }
    std::uint32_t GetConfirmation() const { return m_confirmation; }
    // 'H', 'I' or 'Y': the operator is asked for input.
    bool AsksForInput() const {
        return m_inputIndicator == kInputHexadecimal || m_inputIndicator == kInputDecimal ||
               m_inputIndicator == kInputAny;
    }

    // The list opens with the message itself instead of "Command" and a name.
    void DescribeOpening(CBodyDescriber& describer) const { describer.Pair("Message", m_text); }

    template <class V>
    void Visit(V& v) {
        v.Text(m_text, LengthPrefix::TwoBytes);
        v.U8(m_buttonScheme, "Button Scheme", describe::Table{kButtonSchemes, "Unknown Value"});
        v.U8(m_inputIndicator, "Input Indicator", describe::Table{kInputIndicators, "Unknown Value"});
        // Any indicator but 'N' carries the three input bytes; only 'H', 'I' and 'Y' describe them.
        if (m_inputIndicator != kInputNone && (!V::kDescribing || AsksForInput())) {
            v.U8(m_expectedInputLength, "Expected Input Length", describe::LowerHex2{});
            v.U8(m_inputSecurity, "Input Type", describe::Table{kInputSecurity, "Unknown Value"});
            v.U8(m_confirmation, "Confirmation Type", describe::Table{kConfirmations, "Unknown Value"});
        }
    }

private:
    CString m_text;
    std::uint32_t m_buttonScheme = 0;
    std::uint32_t m_inputIndicator = 0;
    std::uint32_t m_expectedInputLength = 0;
    std::uint32_t m_inputSecurity = kAnswerNo;
    std::uint32_t m_confirmation = kAnswerNo;
};

}  // namespace tessaly
