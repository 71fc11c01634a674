#include <optional>

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "common/registry/RegistryRoots.h"
#include "common/registry/SplitText.h"
#include "tools/tessaly-reg/RegFile.h"
#include "tools/tessaly-reg/RegFileDecode.h"

namespace tessaly::tools {
namespace {

using platform::RegistryValue;

constexpr std::size_t kMaxKeyName = 255;

std::string Trim(const std::string& text) {
    return TrimmedText(text, " \t");
}

bool IsBlankLine(const std::u32string& line) {
    for (char32_t c : line) {
        if (c != U' ' && c != U'\t') {
            return false;
        }
    }
    return true;
}

bool IsCommentLine(const std::u32string& line) {
    for (char32_t c : line) {
        if (c != U' ' && c != U'\t') {
            return c == U';';
        }
    }
    return false;
}

// ---- Pieces of a line ----

// 1 to `maxDigits` hexadecimal digits, nothing else.
std::optional<std::uint32_t> HexNumber(const std::string& text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// A quoted text from s[pos] (the opening quote) with \\ and \" escapes; pos ends after the quote.
bool ParseQuoted(const std::string& s, std::size_t& pos, std::string& out, std::string& problem) {
    out.clear();
    ++pos;
    while (pos < s.size()) {
        const char c = s[pos++];
        if (c == '"') {
            return true;
        }
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (pos >= s.size()) {
            break;
        }
        const char escaped = s[pos++];
        if (escaped != '\\' && escaped != '"') {
            problem = std::string("unknown escape \"\\") + escaped + "\" (write a backslash as \\\\)";
            return false;
        }
        out.push_back(escaped);
    }
    problem = "missing closing quote";
    return false;
}

bool ParseHexList(const std::string& text, std::vector<std::uint8_t>& bytes, std::string& problem) {
    bytes.clear();
    if (Trim(text).empty()) {
        return true;
    }
    CStringArray pieces;
    SplitText(pieces, text, ',');
    for (const std::string& piece : pieces) {
        const std::optional<std::uint32_t> byte = HexNumber(Trim(piece), 2);
        if (!byte) {
            problem = "hex data must be bytes of two hexadecimal digits separated by commas";
            return false;
        }
        bytes.push_back(static_cast<std::uint8_t>(*byte));
    }
    return true;
}

struct Section {
    platform::RegistryRoot root;
    std::string path;
    bool deleted;
};

bool ParseKeyLine(const std::string& line, Section& section, std::string& problem) {
    if (line.size() < 2 || line.back() != ']') {
        problem = "a key line must end with ']'";
        return false;
    }
    std::string inner = line.substr(1, line.size() - 2);
    section.deleted = !inner.empty() && inner.front() == '-';
    if (section.deleted) {
        inner.erase(0, 1);
    }
    const std::size_t slash = inner.find('\\');
    const std::string rootName = inner.substr(0, slash);
    const std::optional<platform::RegistryRoot> root = RegistryRootFromName(rootName);
    if (!root) {
        problem = "unknown root key \"" + rootName + "\"";
        return false;
    }
    section.root = *root;
    section.path = slash == std::string::npos ? std::string() : inner.substr(slash + 1);
    if (!section.path.empty() && section.path.back() == '\\') {
        section.path.pop_back();
    }
    if (!section.path.empty()) {
        CStringArray elements;
        SplitText(elements, section.path, '\\');
        for (const std::string& element : elements) {
            if (element.empty()) {
                problem = "empty key name in \"" + inner + "\"";
                return false;
            }
            if (element.size() > kMaxKeyName) {
                problem = "a key name is longer than 255 characters";
                return false;
            }
        }
    }
    if (section.deleted && section.path.empty()) {
        problem = "a root key cannot be deleted";
        return false;
    }
    return true;
}

// The data after '=': sets `entry` to a value or a value deletion.
bool ParseValueData(const std::string& data, RegFileEntry& entry, std::string& problem) {
    if (data == "-") {
        entry.kind = RegFileEntry::Kind::DeleteValue;
        return true;
    }
    entry.kind = RegFileEntry::Kind::SetValue;
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 0;
        std::string text;
        if (!ParseQuoted(data, pos, text, problem)) {
            return false;
        }
        if (!Trim(data.substr(pos)).empty()) {
            problem = "unexpected text after the closing quote";
            return false;
        }
        entry.value = RegistryValue{platform::kRegSz, {text.begin(), text.end()}};
        entry.value.data.push_back(0);
        return true;
    }
    if (data.compare(0, 6, "dword:") == 0) {
        const std::optional<std::uint32_t> number = HexNumber(Trim(data.substr(6)), 8);
        if (!number) {
            problem = "dword: needs 1 to 8 hexadecimal digits";
            return false;
        }
        entry.value = RegistryValue{
            platform::kRegDword,
            {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
             static_cast<std::uint8_t>(*number >> 16), static_cast<std::uint8_t>(*number >> 24)}};
        return true;
    }
    std::uint32_t type = platform::kRegBinary;
    std::size_t listStart = 0;
    if (data.compare(0, 4, "hex:") == 0) {
        listStart = 4;
    } else if (data.compare(0, 4, "hex(") == 0) {
        const std::size_t close = data.find("):", 4);
        const std::optional<std::uint32_t> number =
            close == std::string::npos ? std::nullopt : HexNumber(data.substr(4, close - 4), 8);
        if (!number) {
            problem = "hex(N): needs a type of 1 to 8 hexadecimal digits";
            return false;
        }
        type = *number;
        listStart = close + 2;
    } else {
        problem = "a value must be \"text\", dword:, hex:, hex(N): or -";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!ParseHexList(data.substr(listStart), bytes, problem)) {
        return false;
    }
    if (IsTextType(type)) {
        std::vector<std::uint8_t> text;
        if (!FromUtf16(bytes, text)) {
            problem = FormatText("hex(%x): text must be UTF-16LE characters up to U+00FF", type);
            return false;
        }
        bytes = std::move(text);
    }
    entry.value = RegistryValue{type, std::move(bytes)};
    return true;
}

// Reads the value line at lines[index] and the lines it continues on; index ends on its last line.
bool ParseValueLine(const std::vector<std::u32string>& lines, std::size_t& index, RegFileEntry& entry,
                    std::string& error) {
    const int number = static_cast<int>(index) + 1;
    std::string line;
    if (!ToSingleByte(lines[index], line, number, error)) {
        return false;
    }
    line = Trim(line);
    std::string problem;
    std::size_t pos = 0;
    if (line.front() == '@') {
        entry.name.clear();
        pos = 1;
    } else if (!ParseQuoted(line, pos, entry.name, problem)) {
        error = FormatText("line %d: value name: ", number) + problem;
        return false;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
        ++pos;
    }
    if (pos >= line.size() || line[pos] != '=') {
        error = FormatText("line %d: expected '=' after the value name", number);
        return false;
    }
    std::string data = Trim(line.substr(pos + 1));
    if (data.compare(0, 3, "hex") == 0) {
        while (!data.empty() && data.back() == '\\') {
            data.pop_back();
            if (++index >= lines.size()) {
                error = FormatText("line %d: the hex data continues past the end of the file", number);
                return false;
            }
            std::string next;
            if (!ToSingleByte(lines[index], next, static_cast<int>(index) + 1, error)) {
                return false;
            }
            data += Trim(next);
        }
    }
    if (!ParseValueData(data, entry, problem)) {
        error = FormatText("line %d: ", number) + problem;
        return false;
    }
    return true;
}

}  // namespace

bool ParseRegFile(const std::string& bytes, std::vector<RegFileEntry>& entries, std::string& error) {
    entries.clear();
    std::vector<std::u32string> lines;
    if (!DecodeRegFileLines(bytes, lines, error)) {
        return false;
    }
    std::size_t index = 0;
    while (index < lines.size() && IsBlankLine(lines[index])) {
        ++index;
    }
    std::string header;
    if (index >= lines.size() || !ToSingleByte(lines[index], header, static_cast<int>(index) + 1, error) ||
        Trim(header) != kRegFileHeader) {
        const int number = index < lines.size() ? static_cast<int>(index) + 1 : 1;
        error = FormatText("line %d: the file must start with \"%s\"", number, kRegFileHeader);
        return false;
    }
    std::vector<RegFileEntry> parsed;
    std::optional<Section> section;
    for (++index; index < lines.size(); ++index) {
        const int number = static_cast<int>(index) + 1;
        if (IsBlankLine(lines[index]) || IsCommentLine(lines[index])) {
            continue;
        }
        std::string line;
        if (!ToSingleByte(lines[index], line, number, error)) {
            return false;
        }
        line = Trim(line);
        std::string problem;
        if (line.front() == '[') {
            Section next{};
            if (!ParseKeyLine(line, next, problem)) {
                error = FormatText("line %d: ", number) + problem;
                return false;
            }
            section = next;
            RegFileEntry entry;
            entry.kind = next.deleted ? RegFileEntry::Kind::DeleteKey : RegFileEntry::Kind::CreateKey;
            entry.line = number;
            entry.root = next.root;
            entry.path = next.path;
            parsed.push_back(std::move(entry));
            continue;
        }
        if (line.front() != '"' && line.front() != '@') {
            error = FormatText("line %d: expected a [key] line or a value line", number);
            return false;
        }
        if (!section) {
            error = FormatText("line %d: a value needs a [key] line before it", number);
            return false;
        }
        if (section->deleted) {
            error = FormatText("line %d: values cannot follow a key deletion [-...]", number);
            return false;
        }
        RegFileEntry entry;
        entry.line = number;
        entry.root = section->root;
        entry.path = section->path;
        if (!ParseValueLine(lines, index, entry, error)) {
            return false;
        }
        parsed.push_back(std::move(entry));
    }
    entries = std::move(parsed);
    return true;
}

}  // namespace tessaly::tools
