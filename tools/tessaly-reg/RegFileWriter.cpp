#include "common/Format.h"
#include "common/registry/RegistryRoots.h"
#include "tools/tessaly-reg/RegFile.h"

namespace tessaly::tools {
namespace {

using platform::RegistryValue;

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// A REG_SZ that a quoted string gives back exactly: one terminator at the end, no other zero
// byte, no line break.
bool FitsQuotedText(const std::vector<std::uint8_t>& data) {
    if (data.empty() || data.back() != 0) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') {
            return false;
        }
    }
    return true;
}

std::string HexList(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) {
            out.push_back(',');
        }
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return out;
}

}  // namespace

bool IsTextType(std::uint32_t type) {
    return type == platform::kRegSz || type == platform::kRegExpandSz || type == platform::kRegMultiSz;
}

std::vector<std::uint8_t> ToUtf16(const std::vector<std::uint8_t>& text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2);
    for (std::uint8_t c : text) {
        out.push_back(c);
        out.push_back(0);
    }
    return out;
}

bool FromUtf16(const std::vector<std::uint8_t>& utf16, std::vector<std::uint8_t>& text) {
    text.clear();
    if (utf16.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < utf16.size(); i += 2) {
        if (utf16[i + 1] != 0) {
            text.clear();
            return false;
        }
        text.push_back(utf16[i]);
    }
    return true;
}

std::string RegKeyLine(platform::RegistryRoot root, const std::string& path) {
    std::string line = "[";
    line += RegistryRootName(root);
    if (!path.empty()) {
        line += '\\';
        line += path;
    }
    line += ']';
    return line;
}

std::string RegValueData(const RegistryValue& value) {
    if (value.type == platform::kRegSz && FitsQuotedText(value.data)) {
        return Quoted(std::string(value.data.begin(), value.data.end() - 1));
    }
    if (value.type == platform::kRegDword && value.data.size() == 4) {
        const std::uint32_t number = static_cast<std::uint32_t>(value.data[0]) |
                                     (static_cast<std::uint32_t>(value.data[1]) << 8) |
                                     (static_cast<std::uint32_t>(value.data[2]) << 16) |
                                     (static_cast<std::uint32_t>(value.data[3]) << 24);
        return FormatText("dword:%08x", number);
    }
    if (value.type == platform::kRegBinary) {
        return "hex:" + HexList(value.data);
    }
    const std::vector<std::uint8_t>& bytes = IsTextType(value.type) ? ToUtf16(value.data) : value.data;
    return FormatText("hex(%x):", value.type) + HexList(bytes);
}

bool RegValueLine(const platform::NamedRegistryValue& value, std::string& line, std::string& error) {
    if (HasLineBreak(value.name)) {
        error = "the value name " + Quoted(value.name) + " holds a line break; a .reg file cannot carry it";
        return false;
    }
    line = (value.name.empty() ? std::string("@") : Quoted(value.name)) + "=" + RegValueData(value.value);
    return true;
}

}  // namespace tessaly::tools
