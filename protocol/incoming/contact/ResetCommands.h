// Reset Card, Set Voltage and Set Frequency: a destination, a repeated length, and a voltage or clock
// value (one code byte, or a 32-bit value when extended).
#pragma once

#include <cstdint>

#include "protocol/ObjCommResponse.h"
#include "protocol/ValueCodes.h"

namespace tessaly {

// The shared layout; Derived provides kValueLabel, kUnknownDestination and the value's describer.
template <class Derived>
class CStationValueCommand : public CResponseFields<Derived> {
public:
    static constexpr std::uint32_t kCommand = kCommandPassThrough;

    std::uint32_t GetDestination() const { return m_destination; }
    // Voltage or clock code, or millivolts / kilohertz when extended.
    std::uint32_t GetValue() const { return m_value; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination",
             describe::Table{kStationDestinations, Derived::kUnknownDestination});
        const bool extended = this->IsExtended();
        v.Skip16(static_cast<std::uint16_t>(extended ? 4 : 1));
        if (extended) {
            v.U32(m_value, Derived::kValueLabel, typename Derived::ExtendedFormat{});
        } else {
            v.U8(m_value, Derived::kValueLabel, typename Derived::CodeFormat{});
        }
    }

protected:
    // The final class reads the body, so that the visit runs on a fully made object.
    explicit CStationValueCommand(bool extended) : CResponseFields<Derived>(extended) {}

private:
    std::uint32_t m_destination = 0;
    std::uint32_t m_value = 0;
};

class CRspResetCard final : public CStationValueCommand<CRspResetCard> {
public:
    static constexpr const char* kClassName = "CRspResetCard";
    static constexpr int kSubCommand = 0x01;
    static constexpr const char* kDisplayName = "Reset Card";
    static constexpr const char* kValueLabel = "Reset Value";
    static constexpr const char* kUnknownDestination = "Unknown Value";
    using CodeFormat = describe::VoltageCode;
    using ExtendedFormat = describe::Millivolts;

    CRspResetCard(CInBinaryString& body, bool extended) : CStationValueCommand(extended) { ReadBody(body); }
};

class CRspSetVoltage final : public CStationValueCommand<CRspSetVoltage> {
public:
    static constexpr const char* kClassName = "CRspSetVoltage";
    static constexpr int kSubCommand = 0x02;
    static constexpr const char* kDisplayName = "Set Voltage";
    static constexpr const char* kValueLabel = "Voltage Value";
    static constexpr const char* kUnknownDestination = "Unknown Destination  Value";
    using CodeFormat = describe::VoltageCode;
    using ExtendedFormat = describe::Millivolts;

    CRspSetVoltage(CInBinaryString& body, bool extended) : CStationValueCommand(extended) { ReadBody(body); }
};

class CRspSetFrequency final : public CStationValueCommand<CRspSetFrequency> {
public:
    static constexpr const char* kClassName = "CRspSetFrequency";
    static constexpr int kSubCommand = 0x04;
    static constexpr const char* kDisplayName = "Set Frequency";
    static constexpr const char* kValueLabel = "Frequency Value";
    static constexpr const char* kUnknownDestination = "Unknown Value";
    struct CodeFormat {
        CString operator()(std::uint32_t v) const { return LookupText(kClockCodes, v, "Unknown Value"); }
    };
    using ExtendedFormat = describe::Kilohertz;

    CRspSetFrequency(CInBinaryString& body, bool extended) : CStationValueCommand(extended) {
        ReadBody(body);
    }
};

}  // namespace tessaly
