// Acknowledgements that carry a return code only, or nothing at all.
#pragma once

#include <cstdint>

#include "protocol/ObjCommMessage.h"
#include "protocol/outgoing/MessageLayout.h"

namespace tessaly {

// rc (Derived::kAlwaysWide false: 4 bytes when extended, else 1) or rc4 (kAlwaysWide true).
template <class Derived>
class CReturnCodeAck : public CMessageFields<Derived> {
public:
    static constexpr std::uint32_t kCommand = kCommandPassThrough;

    std::uint32_t GetReturnCode() const { return m_returnCode; }

    template <class V>
    void Visit(V& v) {
        if constexpr (Derived::kAlwaysWide) {
            layout::ReturnCode4(v, m_returnCode);
        } else {
            layout::ReturnCode(v, m_returnCode, this->IsExtended());
        }
    }

protected:
    CReturnCodeAck(std::uint32_t returnCode, bool extended)
        : CMessageFields<Derived>(extended),
          m_returnCode(Derived::kAlwaysWide ? returnCode : layout::Narrow(returnCode, extended)) {}
    CReturnCodeAck(CInBinaryString& body, bool extended) : CMessageFields<Derived>(extended) {
        ReadLayout(*this, body);
    }

private:
    std::uint32_t m_returnCode = 0;
};

// An empty body.
template <class Derived>
class CEmptyAck : public CMessageFields<Derived> {
public:
    static constexpr std::uint32_t kCommand = kCommandPassThrough;

    template <class V>
    void Visit(V& /*v*/) {}

protected:
    explicit CEmptyAck(bool extended) : CMessageFields<Derived>(extended) {}
};

class CMsgSetVoltage final : public CReturnCodeAck<CMsgSetVoltage> {
public:
    static constexpr const char* kClassName = "CMsgSetVoltage";
    static constexpr int kSubCommand = 0x02;
    static constexpr const char* kTitle = "Set Voltage Acknowledge";
    static constexpr bool kAlwaysWide = false;

    CMsgSetVoltage(std::uint32_t returnCode, bool extended) : CReturnCodeAck(returnCode, extended) {}
    CMsgSetVoltage(CInBinaryString& body, bool extended) : CReturnCodeAck(body, extended) {}
};

class CMsgSetFrequency final : public CReturnCodeAck<CMsgSetFrequency> {
public:
    static constexpr const char* kClassName = "CMsgSetFrequency";
    static constexpr int kSubCommand = 0x04;
    static constexpr const char* kTitle = "Set Frequency Acknowledge";
    static constexpr bool kAlwaysWide = false;

    CMsgSetFrequency(std::uint32_t returnCode, bool extended) : CReturnCodeAck(returnCode, extended) {}
    CMsgSetFrequency(CInBinaryString& body, bool extended) : CReturnCodeAck(body, extended) {}
};

class CMsgEjectCard final : public CReturnCodeAck<CMsgEjectCard> {
public:
    static constexpr const char* kClassName = "CMsgEjectCard";
    static constexpr int kSubCommand = 0x06;
    static constexpr const char* kTitle = "Eject Card Acknowledge";
    static constexpr bool kAlwaysWide = false;

    CMsgEjectCard(std::uint32_t returnCode, bool extended) : CReturnCodeAck(returnCode, extended) {}
    CMsgEjectCard(CInBinaryString& body, bool extended) : CReturnCodeAck(body, extended) {}
};

class CMsgConfigSerialPort final : public CReturnCodeAck<CMsgConfigSerialPort> {
public:
    static constexpr const char* kClassName = "CMsgConfigSerialPort";
    static constexpr int kSubCommand = 0x09;
    static constexpr const char* kTitle = "Serial Port Configured";
    static constexpr bool kAlwaysWide = false;

    CMsgConfigSerialPort(std::uint32_t returnCode, bool extended) : CReturnCodeAck(returnCode, extended) {}
    CMsgConfigSerialPort(CInBinaryString& body, bool extended) : CReturnCodeAck(body, extended) {}
};

class CMsgSerialFlush final : public CReturnCodeAck<CMsgSerialFlush> {
public:
    static constexpr const char* kClassName = "CMsgSerialFlush";
    static constexpr int kSubCommand = 0x22;
    static constexpr const char* kTitle = "Serial Flush";
    static constexpr bool kAlwaysWide = false;

    CMsgSerialFlush(std::uint32_t returnCode, bool extended) : CReturnCodeAck(returnCode, extended) {}
    CMsgSerialFlush(CInBinaryString& body, bool extended) : CReturnCodeAck(body, extended) {}
};

class CMsgSetCardType final : public CReturnCodeAck<CMsgSetCardType> {
public:
    static constexpr const char* kClassName = "CMsgSetCardType";
    static constexpr int kSubCommand = 0x17;
    static constexpr const char* kTitle = "Set Card Type Acknowledge";
    static constexpr bool kAlwaysWide = true;

    CMsgSetCardType(std::uint32_t returnCode, bool extended) : CReturnCodeAck(returnCode, extended) {}
    CMsgSetCardType(CInBinaryString& body, bool extended) : CReturnCodeAck(body, extended) {}
};

class CMsgPiccIssuePPS final : public CReturnCodeAck<CMsgPiccIssuePPS> {
public:
    static constexpr const char* kClassName = "CMsgPiccIssuePPS";
    static constexpr int kSubCommand = 0x31;
    static constexpr const char* kTitle = "PICC Issue PPS Acknowledge";
    static constexpr bool kAlwaysWide = true;

    CMsgPiccIssuePPS(std::uint32_t returnCode, bool extended) : CReturnCodeAck(returnCode, extended) {}
    CMsgPiccIssuePPS(CInBinaryString& body, bool extended) : CReturnCodeAck(body, extended) {}
};

class CMsgSetKeys final : public CReturnCodeAck<CMsgSetKeys> {
public:
    static constexpr const char* kClassName = "CMsgSetKeys";
    static constexpr int kSubCommand = 0x33;
    static constexpr const char* kTitle = "Set Keys Acknowledge";
    static constexpr bool kAlwaysWide = true;

    CMsgSetKeys(std::uint32_t returnCode, bool extended) : CReturnCodeAck(returnCode, extended) {}
    CMsgSetKeys(CInBinaryString& body, bool extended) : CReturnCodeAck(body, extended) {}
};

class CMsgPiccPower final : public CReturnCodeAck<CMsgPiccPower> {
public:
    static constexpr const char* kClassName = "CMsgPiccPower";
    static constexpr int kSubCommand = 0x35;
    static constexpr const char* kTitle = "PICC Power Acknowledge";
    static constexpr bool kAlwaysWide = true;

    CMsgPiccPower(std::uint32_t returnCode, bool extended) : CReturnCodeAck(returnCode, extended) {}
    CMsgPiccPower(CInBinaryString& body, bool extended) : CReturnCodeAck(body, extended) {}
};

class CMsgSetNAD final : public CEmptyAck<CMsgSetNAD> {
public:
    static constexpr const char* kClassName = "CMsgSetNAD";
    static constexpr int kSubCommand = 0x08;
    static constexpr const char* kTitle = "Set NAD Acknowledge";

    explicit CMsgSetNAD(bool extended) : CEmptyAck(extended) {}
    CMsgSetNAD(CInBinaryString& body, bool extended) : CEmptyAck(extended) { ReadBody(body); }
};

class CMsgSetTimeoutValue final : public CEmptyAck<CMsgSetTimeoutValue> {
public:
    static constexpr const char* kClassName = "CMsgSetTimeoutValue";
    static constexpr int kSubCommand = 0x11;
    static constexpr const char* kTitle = "Set TimeOut Acknowledge";

    explicit CMsgSetTimeoutValue(bool extended) : CEmptyAck(extended) {}
    CMsgSetTimeoutValue(CInBinaryString& body, bool extended) : CEmptyAck(extended) { ReadBody(body); }
};

}  // namespace tessaly
