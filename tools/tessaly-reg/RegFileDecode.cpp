#include "tools/tessaly-reg/RegFileDecode.h"

#include <cstdint>

#include "common/Format.h"

namespace tessaly::tools {
namespace {

bool DecodeUtf8(const std::string& bytes, std::size_t start, std::u32string& out, std::string& error) {
    int line = 1;
    for (std::size_t i = start; i < bytes.size();) {
        const auto lead = static_cast<std::uint8_t>(bytes[i]);
        int extra = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            c = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            c = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            c = lead & 0x07;
        } else {
            error = FormatText("line %d: the file is not valid UTF-8", line);
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= bytes.size()) {
            error = FormatText("line %d: the file is not valid UTF-8", line);
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<std::uint8_t>(bytes[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                error = FormatText("line %d: the file is not valid UTF-8", line);
                return false;
            }
            c = (c << 6) | (next & 0x3F);
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (c == U'\n') {
            ++line;
        }
        out.push_back(c);
    }
    return true;
}

bool Decode(const std::string& bytes, std::u32string& out, std::string& error) {
    out.clear();
    if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFF &&
        static_cast<std::uint8_t>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) {
            error = "the file is UTF-16 but has an odd number of bytes";
            return false;
        }
        for (std::size_t i = 2; i < bytes.size(); i += 2) {
            out.push_back(static_cast<char32_t>(static_cast<std::uint8_t>(bytes[i]) |
                                                (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
        }
        return true;
    }
    if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFE &&
        static_cast<std::uint8_t>(bytes[1]) == 0xFF) {
        error = "UTF-16 big-endian files are not supported; save the file as UTF-16LE or UTF-8";
        return false;
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        return DecodeUtf8(bytes, 3, out, error);
    }
    for (char c : bytes) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    return true;
}

std::vector<std::u32string> SplitLines(const std::u32string& text) {
    std::vector<std::u32string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(U'\n', start);
        if (end == std::u32string::npos) {
            end = text.size();
        }
        std::u32string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == U'\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    // A final line break ends the last line; it does not start another.
    if (lines.size() > 1 && lines.back().empty() && !text.empty() && text.back() == U'\n') {
        lines.pop_back();
    }
    return lines;
}

}  // namespace

bool ToSingleByte(const std::u32string& line, std::string& out, int number, std::string& error) {
    out.clear();
    for (char32_t c : line) {
        if (c > 0xFF) {
            error = FormatText("line %d: the character U+%04X does not fit a single-byte text", number,
                               static_cast<unsigned>(c));
            return false;
        }
        out.push_back(static_cast<char>(static_cast<std::uint8_t>(c)));
    }
    return true;
}

bool DecodeRegFileLines(const std::string& bytes, std::vector<std::u32string>& lines, std::string& error) {
    lines.clear();
    std::u32string text;
    if (!Decode(bytes, text, error)) {
        return false;
    }
    lines = SplitLines(text);
    return true;
}

}  // namespace tessaly::tools
