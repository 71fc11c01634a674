// Acknowledgements of the four resets: the ATR, and for the PPS forms also the clock and baud rate.
#pragma once

#include <cstdint>

#include "protocol/ObjCommMessage.h"
#include "protocol/outgoing/MessageLayout.h"

namespace tessaly {

// rc; ATR as bytes16.
template <class Derived>
class CResetAck : public CMessageFields<Derived> {
public:
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr const char* kTitle = "Reset Card Acknowledge";

    std::uint32_t GetReturnCode() const { return m_returnCode; }
    const CByteArray& GetAtr() const { return m_atr; }

    template <class V>
    void Visit(V& v) {
        layout::ReturnCode(v, m_returnCode, this->IsExtended());
        v.Bytes(m_atr, LengthPrefix::TwoBytes, "ATR Data", describe::SpacedOrNone{});
    }

protected:
    CResetAck(std::uint32_t returnCode, CByteArray atr, bool extended)
        : CMessageFields<Derived>(extended),
          m_returnCode(layout::Narrow(returnCode, extended)),
          m_atr(layout::Clip(std::move(atr), LengthPrefix::TwoBytes)) {}
    CResetAck(CInBinaryString& body, bool extended) : CMessageFields<Derived>(extended) {
        ReadLayout(*this, body);
    }

private:
    std::uint32_t m_returnCode = 0;
    CByteArray m_atr;
};

class CMsgResetCard final : public CResetAck<CMsgResetCard> {
public:
    static constexpr const char* kClassName = "CMsgResetCard";
    static constexpr int kSubCommand = 0x01;

    CMsgResetCard(std::uint32_t returnCode, CByteArray atr, bool extended)
        : CResetAck(returnCode, std::move(atr), extended) {}
    CMsgResetCard(CInBinaryString& body, bool extended) : CResetAck(body, extended) {}
};

// Same title as the cold reset.
class CMsgWarmReset final : public CResetAck<CMsgWarmReset> {
public:
    static constexpr const char* kClassName = "CMsgWarmReset";
    static constexpr int kSubCommand = 0x0B;

    CMsgWarmReset(std::uint32_t returnCode, CByteArray atr, bool extended)
        : CResetAck(returnCode, std::move(atr), extended) {}
    CMsgWarmReset(CInBinaryString& body, bool extended) : CResetAck(body, extended) {}
};

// The PPS layout: length (2) counting the rest; rc; frequency (4 bytes of kHz when extended, else a
// 1-byte clock code); baud rate (4); ATR as bytes16.
template <class Derived>
class CResetWithPpsAck : public CMessageFields<Derived> {
public:
    static constexpr std::uint32_t kCommand = kCommandPassThrough;

    std::uint32_t GetReturnCode() const { return m_returnCode; }
    std::uint32_t GetFrequency() const { return m_frequency; }
    std::uint32_t GetBaudRate() const { return m_baudRate; }
    const CByteArray& GetAtr() const { return m_atr; }

    template <class V>
    void Visit(V& v) {
        const bool wide = this->IsExtended();
        layout::CCountedRun<V> run(v, LengthPrefix::TwoBytes, m_atr.size() + FixedLength(wide));
        layout::ReturnCode(v, m_returnCode, wide);
        if (wide) {
            v.U32(m_frequency, "Frequency Value", layout::FrequencyText{true});
        } else {
            v.U8(m_frequency, "Frequency Value", layout::FrequencyText{false});
        }
        v.U32(m_baudRate, "Baud Rate Value", describe::Dec{});
        v.Bytes(m_atr, LengthPrefix::TwoBytes, "ATR Data", describe::SpacedOrNone{});
        run.End();
    }

protected:
    CResetWithPpsAck(std::uint32_t returnCode, std::uint32_t frequency, std::uint32_t baudRate,
                     CByteArray atr, bool extended)
        : CMessageFields<Derived>(extended),
          m_returnCode(layout::Narrow(returnCode, extended)),
          m_frequency(layout::Narrow(frequency, extended)),
          m_baudRate(baudRate),
          m_atr(layout::Clip(std::move(atr), layout::kMax16 - FixedLength(extended))) {}
    CResetWithPpsAck(CInBinaryString& body, bool extended) : CMessageFields<Derived>(extended) {
        ReadLayout(*this, body);
    }

private:
    // The bytes after the length field besides the ATR: rc, frequency, baud rate, ATR length.
    static constexpr std::size_t FixedLength(bool wide) { return wide ? 14 : 8; }

    std::uint32_t m_returnCode = 0;
    std::uint32_t m_frequency = 0;
    std::uint32_t m_baudRate = 0;
    CByteArray m_atr;
};

class CMsgResetCardWithPPS final : public CResetWithPpsAck<CMsgResetCardWithPPS> {
public:
    static constexpr const char* kClassName = "CMsgResetCardWithPPS";
    static constexpr int kSubCommand = 0x0F;
    static constexpr const char* kTitle = "Reset Card With PPS Acknowledge";

    CMsgResetCardWithPPS(std::uint32_t returnCode, std::uint32_t frequency, std::uint32_t baudRate,
                         CByteArray atr, bool extended)
        : CResetWithPpsAck(returnCode, frequency, baudRate, std::move(atr), extended) {}
    CMsgResetCardWithPPS(CInBinaryString& body, bool extended) : CResetWithPpsAck(body, extended) {}
};

class CMsgWarmResetWithPPS final : public CResetWithPpsAck<CMsgWarmResetWithPPS> {
public:
    static constexpr const char* kClassName = "CMsgWarmResetWithPPS";
    static constexpr int kSubCommand = 0x12;
    static constexpr const char* kTitle = "Warm Reset With PPS Acknowledge";

    CMsgWarmResetWithPPS(std::uint32_t returnCode, std::uint32_t frequency, std::uint32_t baudRate,
                         CByteArray atr, bool extended)
        : CResetWithPpsAck(returnCode, frequency, baudRate, std::move(atr), extended) {}
    CMsgWarmResetWithPPS(CInBinaryString& body, bool extended) : CResetWithPpsAck(body, extended) {}
};

}  // namespace tessaly
