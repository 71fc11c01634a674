#include "protocol/ValueCodes.h"

#include "common/Format.h"

namespace tessaly {

CString VoltageCodeText(std::uint32_t code) {
    switch (code) {
        case 0x01:
            return "3.3 Volts";
        case 0x02:
            return "5.0 Volts";
        case 0x03:
            return "6.0 Volts";
        case 0x80:
            return "8.0 Volts";
        case 0x33:
        case 0x50:
        case 0x60:
            return "Unknown Value";  // 3.3, 5.0 and 6.0 V have their short codes
        default:
            break;
    }
    const std::uint32_t volts = code >> 4;
    const std::uint32_t tenths = code & 0x0F;
    if (code >= 0x12 && code <= 0x79 && volts >= 1 && volts <= 7 && tenths <= 9) {
        return FormatText("%u.%u Volts", volts, tenths);
    }
    return "Unknown Value";
}

namespace describe {

CString Millivolts::operator()(std::uint32_t v) const {
    return FormatText("%u Millivolts", v);
}

CString Kilohertz::operator()(std::uint32_t v) const {
    return FormatText("%d khz", static_cast<std::int32_t>(v));
}

}  // namespace describe
}  // namespace tessaly
