// Acknowledgements of the station configuration commands that carry more than a return code:
// Set Baud Rate / Issue PPS, Query Card, Retrieve Hardware Version and Reader Attribute.
#pragma once

#include <cstdint>

#include "common/ValueTable.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/outgoing/MessageLayout.h"

namespace tessaly {

// Set Baud Rate and Issue PPS share the sub-code; the Issue PPS form adds F and D and the baud rate.
class CMsgSetBaudRate final : public CMessageFields<CMsgSetBaudRate> {
public:
    static constexpr const char* kClassName = "CMsgSetBaudRate";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x03;

    // The Set Baud Rate form: the return code alone.
    CMsgSetBaudRate(std::uint32_t returnCode, bool extended)
        : CMessageFields(extended), m_returnCode(layout::Narrow(returnCode, extended)) {}
    // The Issue PPS form.
    CMsgSetBaudRate(std::uint32_t returnCode, std::uint8_t fAndD, std::uint32_t baudRate, bool extended)
        : CMessageFields(extended),
          m_returnCode(layout::Narrow(returnCode, extended)),
          m_withPps(true),
          m_fAndD(fAndD),
          m_baudRate(baudRate) {}
    // Host side: the Issue PPS form when bytes follow the return code.
    CMsgSetBaudRate(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    CString Title() const { return m_withPps ? "Issue PPS Acknowledge" : "Set Baud Rate Acknowledge"; }
    bool HasPps() const { return m_withPps; }
    std::uint32_t GetReturnCode() const { return m_returnCode; }
    std::uint8_t GetFAndD() const { return m_fAndD; }
    std::uint32_t GetBaudRate() const { return m_baudRate; }

    template <class V>
    void Visit(V& v) {
        layout::ReturnCode(v, m_returnCode, IsExtended());
        if constexpr (V::kReading) {
            m_withPps = !v.AtEnd();
        }
        if (m_withPps) {
            v.U8(m_fAndD, "F and D", describe::LowerHex2{});
            v.U32(m_baudRate, "Baud Rate", describe::Dec{});
        }
    }

private:
    std::uint32_t m_returnCode = 0;
    bool m_withPps = false;
    std::uint8_t m_fAndD = 0;
    std::uint32_t m_baudRate = 0;
};

inline constexpr CodeText kQueryCardResults[] = {
    {1, "Card is not present"},
    {2, "Card is present(not reset)"},
    {3, "Card is present and card reset is completed"},
    {4, "Card Completed (Disabled)"},
    {15, "Card acceptor is not present"},
    {16, "Card is in unknown state"},
};

class CMsgQueryCard final : public CMessageFields<CMsgQueryCard> {
public:
    static constexpr const char* kClassName = "CMsgQueryCard";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x07;
    static constexpr const char* kTitle = "Query Card Acknowledge";

    // `result`: a card state (1 absent ... 16 unknown) or 15 when no card acceptor answers.
    CMsgQueryCard(std::uint32_t result, bool extended)
        : CMessageFields(extended), m_result(layout::Narrow(result, extended)) {}
    CMsgQueryCard(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    std::uint32_t GetResult() const { return m_result; }

    template <class V>
    void Visit(V& v) {
        const describe::Table text{kQueryCardResults, "Unknown Type"};
        if (IsExtended()) {
            v.U32(m_result, "Result", text);
        } else {
            v.U8(m_result, "Result", text);
        }
    }

private:
    std::uint32_t m_result = 0;
};

inline constexpr CodeText kHardwareVersions[] = {
    {0, "Gen2 KBX"},        {1, "Gen2E KBX"},           {2, "Software KBX"},
    {3, "Gen3 for Corvid"}, {4, "Glinter Contactless"}, {5, "Glinter Contact"},
    {7, "Voltrim Contact"},
};

class CMsgGetHardwareVersion final : public CMessageFields<CMsgGetHardwareVersion> {
public:
    static constexpr const char* kClassName = "CMsgGetHardwareVersion";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x0A;
    static constexpr const char* kTitle = "Hardware Version retrieved";

    // The version byte is never widened.
    CMsgGetHardwareVersion(std::uint8_t version, bool extended)
        : CMessageFields(extended), m_version(version) {}
    CMsgGetHardwareVersion(CInBinaryString& body, bool extended) : CMessageFields(extended) {
        ReadBody(body);
    }

    std::uint8_t GetVersion() const { return m_version; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_version, "Version", describe::Table{kHardwareVersions, "Unknown Type"});
    }

private:
    std::uint8_t m_version = 0;
};

inline constexpr std::uint8_t kAttributeAnswered = '0';
inline constexpr std::uint8_t kAttributeNotImplemented = '7';
inline constexpr CodeText kAttributeIndicators[] = {
    {'0', "Got Response"},
    {'1', "Timed Out"},
    {'7', "Not Implemented"},
};

class CMsgReaderAttribute final : public CMessageFields<CMsgReaderAttribute> {
public:
    static constexpr const char* kClassName = "CMsgReaderAttribute";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x16;
    static constexpr const char* kTitle = "Reader Attribute Acknowledge";

    // A read answer carries the value (valuePresent true); a set answer does not.
    CMsgReaderAttribute(std::uint8_t errorIndicator, std::uint32_t returnCode, bool valuePresent,
                        std::uint32_t value, bool extended)
        : CMessageFields(extended),
          m_errorIndicator(errorIndicator),
          m_returnCode(layout::Narrow(returnCode, extended)),
          m_valuePresent(valuePresent),
          m_value(valuePresent ? value : 0) {}
    // Host side: the leading length tells whether the value is present.
    CMsgReaderAttribute(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    std::uint8_t GetErrorIndicator() const { return m_errorIndicator; }
    std::uint32_t GetReturnCode() const { return m_returnCode; }
    bool HasValue() const { return m_valuePresent; }
    std::uint32_t GetValue() const { return m_value; }

    template <class V>
    void Visit(V& v) {
        const bool wide = IsExtended();
        const std::size_t fixed = 1 + (wide ? 4 : 1);
        layout::CCountedRun<V> run(v, LengthPrefix::OneByte, fixed + (m_valuePresent ? 4 : 0));
        v.U8(m_errorIndicator, "Error Indicator", describe::Table{kAttributeIndicators, "Unknown Value"});
        layout::ReturnCode(v, m_returnCode, wide);
        if constexpr (V::kReading) {
            const std::size_t left = run.Left();
            if (left != 0 && left != 4) {
                throw CPassThruParseError();
            }
            m_valuePresent = left == 4;
        }
        if (m_valuePresent) {
            v.U32(m_value, "Value", describe::Unsigned{});
        }
        run.End();
    }

private:
    std::uint8_t m_errorIndicator = 0;
    std::uint32_t m_returnCode = 0;
    bool m_valuePresent = false;
    std::uint32_t m_value = 0;
};

}  // namespace tessaly
