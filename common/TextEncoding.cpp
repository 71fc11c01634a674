#include "common/TextEncoding.h"

namespace tessaly {
namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";
constexpr char kLowerDigits[] = "0123456789abcdef";

void AppendHex(CString& out, std::uint8_t value, const char* digits) {
    out.push_back(digits[value >> 4]);
    out.push_back(digits[value & 0x0F]);
}

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

void HexPairs(const std::uint8_t* bytes, std::size_t count, CString& out) {
    out.clear();
    out.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        AppendHex(out, bytes[i], kUpperDigits);
    }
}

CString HexString(const CByteArray& bytes) {
    CString out;
    HexPairs(bytes.data(), bytes.size(), out);
    return out;
}

CString HexDump(const CByteArray& bytes) {
    CString out;
    out.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) {
            out.push_back(' ');
        }
        AppendHex(out, bytes[i], kLowerDigits);
    }
    return out;
}

CString HexSpaced(const CByteArray& bytes) {
    CString out;
    out.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        AppendHex(out, b, kUpperDigits);
        out.push_back(' ');
    }
    return out;
}

CString ByteText(std::uint8_t value) {
    CString out;
    AppendHex(out, value, kLowerDigits);
    return out;
}

CString DecimalText(std::int32_t value) {
    return std::to_string(value);
}

CString HexNumberText(std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    CString out;
    do {
        out.insert(out.begin(), kLowerDigits[bits & 0x0F]);
        bits >>= 4;
    } while (bits != 0);
    return out;
}

std::uint32_t BytesToNumber(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

CString EscapeByte(std::uint8_t value) {
    switch (value) {
        case 0x09:
            return "\\t";
        case 0x0A:
            return "\\n";
        case 0x0D:
            return "\\r";
        case 0x22:
            return "\\\"";
        case 0x5C:
            return "\\\\";
        default:
            break;
    }
    if (value >= 0x20 && value <= 0x7E) {
        return CString(1, static_cast<char>(value));
    }
    CString out = "\\x";
    AppendHex(out, value, kLowerDigits);
    return out;
}

CString EscapeText(const CString& text) {
    CString out;
    out.reserve(text.size());
    for (char c : text) {
        out += EscapeByte(static_cast<std::uint8_t>(c));
    }
    return out;
}

CString TrimmedText(const CString& text, const char* blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == CString::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool IsBlank(const CString& text) {
    for (char c : text) {
        if (!IsBlankChar(c)) {
            return false;
        }
    }
    return true;
}

bool ParseHex(const std::string& text, CByteArray& out) {
    out.clear();
    int high = -1;
    for (char c : text) {
        if (IsBlankChar(c)) {
            if (high >= 0) {
                out.clear();
                return false;
            }
            continue;
        }
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            out.clear();
            return false;
        }
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<std::uint8_t>((high << 4) | digit));
            high = -1;
        }
    }
    if (high >= 0) {
        out.clear();
        return false;
    }
    return true;
}

}  // namespace tessaly
