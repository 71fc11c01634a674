// Operations that every chip type accepts: programming voltage, pads, line mode, timing, clock and Vcc.
#pragma once

#include <cstdint>
#include <span>

#include "protocol/serialmemory/OperationLayouts.h"
#include "protocol/ValueCodes.h"

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
    static constexpr const char* kName = "Enable VPP";
    static constexpr const char* kLabel = "Voltage";
    static constexpr describe::Table kFormat{kEnableVppCodes, "Unknown Value"};
    CSmOpEnableVPP(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

class CSmOpSetPad final : public CSmOpFields<CSmOpSetPad> {
public:
    static constexpr const char* kClassName = "CSmOpSetPad";
    static constexpr const char* kName = "Set Pad";
    CSmOpSetPad(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpFields(chip, code, extended) {
        ReadParams(body);
    }

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
    static constexpr const char* kName = "Read Pad";
    static constexpr const char* kLabel = "ChipPad Type";
    static constexpr describe::Table kFormat{kReadPadTypes, "Unknown"};
    CSmOpReadPad(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

class CSmOpEnableRxTx final : public CSmOpByteParam<CSmOpEnableRxTx> {
public:
    static constexpr const char* kClassName = "CSmOpEnableRxTx";
    static constexpr const char* kName = "Enable Rx/Tx";
    static constexpr const char* kLabel = "Mode";
    static constexpr describe::Table kFormat{kRxTxModes, "Rx"};
    CSmOpEnableRxTx(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

class CSmOpSetEtu final : public CSmOpByteParam<CSmOpSetEtu> {
public:
    static constexpr const char* kClassName = "CSmOpSetEtu";
    static constexpr const char* kName = "Set ETU";
    static constexpr const char* kLabel = "ETU";
    static constexpr describe::Table kFormat{kEtuClocks, "Unknown"};
    CSmOpSetEtu(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

class CSmOpDelayMsec final : public CSmOpByteParam<CSmOpDelayMsec> {
public:
    static constexpr const char* kClassName = "CSmOpDelayMsec";
    static constexpr const char* kName = "Delay Msec";
    static constexpr const char* kLabel = "Delay duration (in millseconds";  // sic
    static constexpr describe::Dec kFormat{};
    CSmOpDelayMsec(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

class CSmOpDelayTime final : public CSmOpByteParam<CSmOpDelayTime> {
public:
    static constexpr const char* kClassName = "CSmOpDelayTime";
    static constexpr const char* kName = "Delay Time";
    static constexpr const char* kLabel = "Delay duration";
    static constexpr describe::Table kFormat{kDelaySteps, "Unknown Value"};
    CSmOpDelayTime(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

class CSmOpProgramClock final : public CSmOpByteParam<CSmOpProgramClock> {
public:
    static constexpr const char* kClassName = "CSmOpProgramClock";
    static constexpr const char* kName = "Program Clock";
    static constexpr const char* kLabel = "Frequency";
    static constexpr describe::Table kFormat{kProgramClocks, "Unknown Value"};
    CSmOpProgramClock(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

class CSmOpProgramVcc final : public CSmOpByteParam<CSmOpProgramVcc> {
public:
    static constexpr const char* kClassName = "CSmOpProgramVcc";
    static constexpr const char* kName = "Program Vcc";
    static constexpr const char* kLabel = "Voltage";
    static constexpr describe::VoltageCode kFormat{};
    CSmOpProgramVcc(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

class CSmOpProgramVpp final : public CSmOpByteParam<CSmOpProgramVpp> {
public:
    static constexpr const char* kClassName = "CSmOpProgramVpp";
    static constexpr const char* kName = "Program Vpp";
    static constexpr const char* kLabel = "Voltage";
    static constexpr describe::Table kFormat{kVppCodes, "Unknown Value"};
    CSmOpProgramVpp(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

}  // namespace tessaly
