// Value codes shared by several commands: destinations, supply voltage and card clock.
#pragma once

#include <cstdint>

#include "common/Types.h"
#include "common/ValueTable.h"

namespace tessaly {

// Destination codes: which reader or port a command is for.
inline constexpr std::uint8_t kDestinationPicc = 0x43;
inline constexpr std::uint8_t kDestinationExKbx = 0x57;
inline constexpr std::uint8_t kDestinationKbx = 0x58;
inline constexpr std::uint8_t kDestinationPortA = 0x80;
inline constexpr std::uint8_t kDestinationPortASendOnly = 0x81;
inline constexpr std::uint8_t kDestinationPortB = 0x88;
inline constexpr std::uint8_t kDestinationPortBSendOnly = 0x89;

// Every destination (Process, Card Command Simulation).
inline constexpr CodeText kAllDestinations[] = {
    {0x43, "PICC"},   {0x57, "EX_KBX"},          {0x58, "KBX"}, {0x80, "PORT A"}, {0x81, "PORTA Send only"},
    {0x88, "PORT B"}, {0x89, "PORTB Send only"},
};
// The contact station only (resets, voltage, clock, eject, query, PPS, NAD, serial port).
inline constexpr CodeText kStationDestinations[] = {{0x57, "EX_KBX"}, {0x58, "KBX"}};
// The contactless reader only.
inline constexpr CodeText kPiccDestinations[] = {{0x43, "PICC"}};
// Reader attributes: contactless reader or contact station.
inline constexpr CodeText kAttributeDestinations[] = {{0x43, "PICC"}, {0x57, "EX_KBX"}, {0x58, "KBX"}};

// Card clock codes (one byte) when not extended.
inline constexpr CodeText kClockCodes[] = {
    {0x00, "9.830 Mhz"}, {0x01, "4.915 Mhz"}, {0x02, "2.457 Mhz"}, {0x03, "1.228 Mhz"},
    {0x10, "7.159 Mhz"}, {0x11, "3.579 Mhz"}, {0x12, "1.789 Mhz"},
};
// Warm Reset With PPS also knows "Keep Current" and "Maximum".
inline constexpr CodeText kWarmResetClockCodes[] = {
    {0x00, "9.830 Mhz"}, {0x01, "4.915 Mhz"},    {0x02, "2.457 Mhz"},
    {0x03, "1.228 Mhz"}, {0x10, "7.159 Mhz"},    {0x11, "3.579 Mhz"},
    {0x12, "1.789 Mhz"}, {0xFE, "Keep Current"}, {0xFF, "Maximum"},
};
// Reset Card With PPS also knows "Default".
inline constexpr CodeText kResetClockCodes[] = {
    {0x00, "9.830 Mhz"}, {0x01, "4.915 Mhz"}, {0x02, "2.457 Mhz"}, {0x03, "1.228 Mhz"},
    {0x10, "7.159 Mhz"}, {0x11, "3.579 Mhz"}, {0x12, "1.789 Mhz"}, {0xFF, "Default"},
};

// Supply voltage code text: 01 "3.3 Volts", 02 "5.0 Volts", 03 "6.0 Volts", 0x12-0x79 as V.D
// (except 0x33, 0x50, 0x60), 0x80 "8.0 Volts"; anything else "Unknown Value".
CString VoltageCodeText(std::uint32_t code);

namespace describe {
// The voltage code of a non-extended command.
struct VoltageCode {
    CString operator()(std::uint32_t v) const { return VoltageCodeText(v); }
};
// "%u Millivolts"
struct Millivolts {
    CString operator()(std::uint32_t v) const;
};
// "%d khz"
struct Kilohertz {
    CString operator()(std::uint32_t v) const;
};
}  // namespace describe

}  // namespace tessaly
