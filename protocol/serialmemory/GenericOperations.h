// Operations that every chip type accepts: programming voltage, pads, line mode, timing, clock and Vcc.
#pragma once

#include <cstdint>
#include <span>

#include "protocol/ValueCodes.h"
#include "protocol/serialmemory/OperationLayouts.h"

namespace tessaly {

// Programming voltage codes. The codes for 5, 6, 12, 15, 18, 21, 24, 25 and 26 V break the two-digit
// pattern of the others, so 0x05, 0x06, 0x12 ... are unknown codes.
inline constexpr CodeText kVppCodes[] = {
    {0x00, "0.0 Volts"},  {0x03, "3.0 Volts"},  {0x04, "4.0 Volts"},  {0x27, "5.0 Volts"},
    {0x31, "6.0 Volts"},  {0x07, "7.0 Volts"},  {0x08, "8.0 Volts"},  {0x09, "9.0 Volts"},
    {0x10, "10.0 Volts"}, {0x11, "11.0 Volts"}, {0x6E, "12.0 Volts"}, {0x13, "13.0 Volts"},
    {0x14, "14.0 Volts"}, {0x8D, "15.0 Volts"}, {0x16, "16.0 Volts"}, {0x17, "17.0 Volts"},
    {0xAC, "18.0 Volts"}, {0x19, "19.0 Volts"}, {0x20, "20.0 Volts"}, {0xCA, "21.0 Volts"},
    {0x22, "22.0 Volts"}, {0x23, "23.0 Volts"}, {0xE9, "24.0 Volts"}, {0xF3, "25.0 Volts"},
    {0xFD, "26.0 Volts"},
};
// Enable VPP knows the same codes from 3.0 V up.
inline constexpr std::span<const CodeText> kEnableVppCodes = std::span<const CodeText>(kVppCodes).subspan(1);

inline constexpr CodeText kSetPadTypes[] = {
    {0, "VCC Pad"},   {1, "VPP Pad"}, {2, "C4 Pad"},    {3, "C8 Pad"},
    {4, "Reset Pad"}, {5, "I/O Pad"}, {6, "Clock Pad"},
};
inline constexpr CodeText kReadPadTypes[] = {{2, "C4 Pad"}, {3, "C8 Pad"}, {5, "I/O Pad"}, {6, "Clock Pad"}};
inline constexpr CodeText kEnableOptions[] = {{0, "Disable"}};  // anything else enables
inline constexpr CodeText kRxTxModes[] = {{0, "Tx"}};           // anything else is Rx
inline constexpr CodeText kEtuClocks[] = {
    {0, "2.457"}, {1, "3.579"}, {2, "4.915"}, {3, "7.159"}, {4, "9.830"}};
inline constexpr CodeText kDelaySteps[] = {{0, "5 microseconds"}, {1, "10 microseconds"}};
inline constexpr CodeText kProgramClocks[] = {
    {0x00, "9.830 Mhz"}, {0x01, "4.915 Mhz"}, {0x10, "7.159 Mhz"}, {0x11, "3.579 Mhz"}};

class CSmOpEnableVPP final : public CSmOpByteParam<CSmOpEnableVPP> {
public:
    static constexpr const char* kClassName = "CSmOpEnableVPP";
    static constexpr const char* kLabel = "Voltage";
    static constexpr describe::Table kFormat{kEnableVppCodes, "Unknown Value"};
    using CSmOpByteParam::CSmOpByteParam;
};

class CSmOpSetPad final : public CSmOpFields<CSmOpSetPad> {
public:
    static constexpr const char* kClassName = "CSmOpSetPad";
    using CSmOpFields::CSmOpFields;

    std::uint32_t GetPad() const { return m_pad; }
    bool IsEnable() const { return m_enable != 0; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_pad, "ChipPad Type", describe::Table{kSetPadTypes, "Unknown"});
        v.U8(m_enable, "Enable Option", describe::Table{kEnableOptions, "Enable"});
    }

private:
    std::uint32_t m_pad = 0;
    std::uint32_t m_enable = 0;
};

class CSmOpReadPad final : public CSmOpByteParam<CSmOpReadPad> {
public:
    static constexpr const char* kClassName = "CSmOpReadPad";
    static constexpr const char* kLabel = "ChipPad Type";
    static constexpr describe::Table kFormat{kReadPadTypes, "Unknown"};
    using CSmOpByteParam::CSmOpByteParam;
};

class CSmOpEnableRxTx final : public CSmOpByteParam<CSmOpEnableRxTx> {
public:
    static constexpr const char* kClassName = "CSmOpEnableRxTx";
    static constexpr const char* kLabel = "Mode";
    static constexpr describe::Table kFormat{kRxTxModes, "Rx"};
    using CSmOpByteParam::CSmOpByteParam;
};

class CSmOpSetEtu final : public CSmOpByteParam<CSmOpSetEtu> {
public:
    static constexpr const char* kClassName = "CSmOpSetEtu";
    static constexpr const char* kLabel = "ETU";
    static constexpr describe::Table kFormat{kEtuClocks, "Unknown"};
    using CSmOpByteParam::CSmOpByteParam;
};

class CSmOpDelayMsec final : public CSmOpByteParam<CSmOpDelayMsec> {
public:
    static constexpr const char* kClassName = "CSmOpDelayMsec";
    static constexpr const char* kLabel = "Delay duration (in millseconds";  // sic
    static constexpr describe::Dec kFormat{};
    using CSmOpByteParam::CSmOpByteParam;
};

class CSmOpDelayTime final : public CSmOpByteParam<CSmOpDelayTime> {
public:
    static constexpr const char* kClassName = "CSmOpDelayTime";
    static constexpr const char* kLabel = "Delay duration";
    static constexpr describe::Table kFormat{kDelaySteps, "Unknown Value"};
    using CSmOpByteParam::CSmOpByteParam;
};

class CSmOpProgramClock final : public CSmOpByteParam<CSmOpProgramClock> {
public:
    static constexpr const char* kClassName = "CSmOpProgramClock";
    static constexpr const char* kLabel = "Frequency";
    static constexpr describe::Table kFormat{kProgramClocks, "Unknown Value"};
    using CSmOpByteParam::CSmOpByteParam;
};

class CSmOpProgramVcc final : public CSmOpByteParam<CSmOpProgramVcc> {
public:
    static constexpr const char* kClassName = "CSmOpProgramVcc";
    static constexpr const char* kLabel = "Voltage";
    static constexpr describe::VoltageCode kFormat{};
    using CSmOpByteParam::CSmOpByteParam;
};

class CSmOpProgramVpp final : public CSmOpByteParam<CSmOpProgramVpp> {
public:
    static constexpr const char* kClassName = "CSmOpProgramVpp";
    static constexpr const char* kLabel = "Voltage";
    static constexpr describe::Table kFormat{kVppCodes, "Unknown Value"};
    using CSmOpByteParam::CSmOpByteParam;
};

// Operations that every chip type accepts, looked up before the chip's own: code, class, name, and
// the name a result reports.
inline constexpr OperationRow kGenericOperations[] = {
    Plain(0x01, "Eject Card", "Eject"),
    With<CSmOpEnableVPP>(0x0D, "Enable VPP", "Enable Vpp"),
    Plain(0x0E, "Disable Vpp", "Disable Vpp"),
    With<CSmOpSetPad>(0x0F, "Set Pad", "Set Pad"),
    With<CSmOpReadPad>(0x10, "Read Pad"),
    With<CSmOpEnableRxTx>(0x11, "Enable Rx/Tx", "Enable Rx/Tx"),
    With<CSmOpSetEtu>(0x13, "Set ETU", "Set ETU"),
    With<CSmOpDelayMsec>(0x16, "Delay Msec", "Delay Msec"),
    With<CSmOpDelayTime>(0x17, "Delay Time", "Delay Time"),
    With<CSmOpProgramClock>(0x18, "Program Clock", "Program Clock"),
    With<CSmOpProgramVcc>(0x19, "Program Vcc", "Program Vcc"),
    With<CSmOpProgramVpp>(0x1A, "Program Vpp", "Program Vpp"),
};

}  // namespace tessaly
