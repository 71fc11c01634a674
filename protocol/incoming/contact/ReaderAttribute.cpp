#include "protocol/incoming/contact/ReaderAttribute.h"

#include <iterator>
#include <limits>

#include "common/Format.h"

namespace tessaly {
namespace {

enum class ValueKind : std::uint8_t {
    Number,        // "%u" and a unit, within [low, high] on steps of `step` from low
    Switch,        // one text for 0, another for any other value
    ClaByte,       // a CLA byte up to 0xFF, above it "keep the original CLA"
    StartOfFrame,  // counts of 0's and 1's in the high and low halves
};

struct AttributeInfo {
    const char* name;
    const char* unit = "";
    const char* zeroText = "";
    const char* nonZeroText = "";
    std::uint32_t low = 0;
    std::uint32_t high = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t step = 1;
    ValueKind kind = ValueKind::Number;
};

constexpr AttributeInfo Ranged(const char* name, std::uint32_t low, std::uint32_t high,
                               std::uint32_t step = 1, const char* unit = "") {
    return {.name = name, .unit = unit, .low = low, .high = high, .step = step};
}
constexpr AttributeInfo WithUnit(const char* name, const char* unit) {
    return {.name = name, .unit = unit};
}
constexpr AttributeInfo Switch(const char* name, const char* zeroText, const char* nonZeroText) {
    return {.name = name, .zeroText = zeroText, .nonZeroText = nonZeroText, .kind = ValueKind::Switch};
}

// Indexed by attribute number.
constexpr AttributeInfo kAttributes[] = {
    {.name = "Character Waiting Time"},
    {.name = "Block Waiting Time"},
    WithUnit("Baud Rate", " bps"),
    {.name = "Extra Guard Time"},
    {.name = "Block Guard Time"},
    Ranged("IFSD", 50, 596),
    {.name = "Initial Character Waiting Time"},
    Switch("Command Handling", "APDU Level", "TPDU Level"),
    {.name = "Get Response CLA Byte", .kind = ValueKind::ClaByte},
    {.name = "Antenna Tuning Value"},
    Ranged("Frame Waiting Time Integer", 0, 14),
    WithUnit("Frame Waiting Time", " microseconds"),
    Ranged("Frame Size for PICC Device Integer", 0, 255),
    Ranged("Divisor Receive Integer", 0, 3),
    {.name = "Divisor Receive"},
    Ranged("Divisor Send Integer", 0, 3),
    {.name = "Divisor Send"},
    {.name = "Type B Start of Frame", .kind = ValueKind::StartOfFrame},
    {.name = "Type B End of Frame"},
    WithUnit("Type B Extra Guard Time", " microseconds"),
    Switch("CRC Returned Setting", "CRC is NOT returned to the application",
           "CRC is returned to the application"),
    Switch("Auto CRC Setting", "CRC is supplied by the application", "CRC is automatically computed"),
    Switch("Validation Setting", "CRC of card responses is NOT checked", "CRC of card responses is checked"),
    Switch("Type A Parity Bit Setting", "Parity bit is automatically added",
           "Parity bit is NOT automatically added"),
    Switch("Type A Short Form Setting", "Communication uses standard frames",
           "Communication uses short frames"),
    Ranged("Carrier Frequency", 12000, 18000, 10, " kHz"),
    Ranged("Carrier Field Strength", 0, 15),
};
static_assert(std::size(kAttributes) == CRspReaderAttribute::kLastAttribute + 1);

constexpr std::uint32_t kLastClaByte = 0xFF;

CString NumberText(const AttributeInfo& info, std::uint32_t value) {
    if (value < info.low || value > info.high || (value - info.low) % info.step != 0) {
        return "Invalid value";
    }
    return FormatText("%u", value) + info.unit;
}

}  // namespace

CRspReaderAttribute::CRspReaderAttribute(CInBinaryString& body, bool extended) : CResponseFields(extended) {
    ReadBody(body);
}

const char* CRspReaderAttribute::AttributeName(std::uint32_t attribute) {
    return attribute <= kLastAttribute ? kAttributes[attribute].name : "Unknown Value";
}

CString CRspReaderAttribute::ValueText(std::uint32_t attribute, std::uint32_t value) {
    if (attribute > kLastAttribute) {
        return "Unknown Attribute Data Value";
    }
    const AttributeInfo& info = kAttributes[attribute];
    switch (info.kind) {
        case ValueKind::Number:
            return NumberText(info, value);
        case ValueKind::Switch:
            return value != 0 ? info.nonZeroText : info.zeroText;
        case ValueKind::ClaByte:
            return value <= kLastClaByte ? FormatText("Use 0x%02X as CLA Byte", value)
                                         : "Use Original CLA Bytes";
        case ValueKind::StartOfFrame:
            return FormatText("Number of 0's: %u, Number of 1's: %d", value >> 16,
                              static_cast<int>(value & 0xFFFF));
    }
    return "Invalid value";
}

}  // namespace tessaly
