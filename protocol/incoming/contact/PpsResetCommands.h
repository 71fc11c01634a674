// Warm Reset With PPS and Reset Card With PPS: a destination followed directly by clock (and, for the
// cold reset, voltage) values, each one code byte or a 32-bit value when extended. No length fields.
#pragma once

#include <cstdint>

#include "protocol/ObjCommResponse.h"
#include "protocol/ValueCodes.h"

namespace tessaly {

class CRspWarmResetWithPPS final : public CResponseFields<CRspWarmResetWithPPS> {
public:
    static constexpr const char* kClassName = "CRspWarmResetWithPPS";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x12;
    static constexpr const char* kDisplayName = "Warm Reset With PPS";

    CRspWarmResetWithPPS(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    std::uint32_t GetDestination() const { return m_destination; }
    // Clock code (0xFE keep current, 0xFF maximum), or kilohertz when extended.
    std::uint32_t GetFrequency() const { return m_frequency; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination", describe::Table{kStationDestinations, "Unknown Value"});
        if (IsExtended()) {
            v.U32(m_frequency, "Frequency Value", describe::Kilohertz{});
        } else {
            v.U8(m_frequency, "Frequency Value", describe::Table{kWarmResetClockCodes, "Unknown Value"});
        }
    }

private:
    std::uint32_t m_destination = 0;
    std::uint32_t m_frequency = 0;
};

class CRspResetCardWithPPS final : public CResponseFields<CRspResetCardWithPPS> {
public:
    static constexpr const char* kClassName = "CRspResetCardWithPPS";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x0F;
    static constexpr const char* kDisplayName = "Reset Card With PPS";

    CRspResetCardWithPPS(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    std::uint32_t GetDestination() const { return m_destination; }
    // Voltage code, or millivolts when extended.
    std::uint32_t GetVoltage() const { return m_voltage; }
    // Clock code (0xFF default), or kilohertz when extended.
    std::uint32_t GetFrequency() const { return m_frequency; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination", describe::Table{kStationDestinations, "Unknown Value"});
        if (IsExtended()) {
            v.U32(m_voltage, "Reset Value", describe::Millivolts{});
            v.U32(m_frequency, "Frequency Value", describe::Kilohertz{});
        } else {
            v.U8(m_voltage, "Reset Value", describe::VoltageCode{});
            v.U8(m_frequency, "Frequency Value", describe::Table{kResetClockCodes, "Unknown Value"});
        }
    }

private:
    std::uint32_t m_destination = 0;
    std::uint32_t m_voltage = 0;
    std::uint32_t m_frequency = 0;
};

}  // namespace tessaly
