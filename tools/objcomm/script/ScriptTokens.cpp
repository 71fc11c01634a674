#include "tools/objcomm/script/ScriptTokens.h"

#include <cctype>

namespace tessaly::tools {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::optional<std::uint64_t> ParseDigits(const std::string& digits, unsigned base, std::uint64_t max) {
    if (digits.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char c : digits) {
        const auto byte = static_cast<unsigned char>(c);
        unsigned digit = 0;
        if (std::isdigit(byte) != 0) {
            digit = static_cast<unsigned>(byte - '0');
        } else if (base == 16 && std::isxdigit(byte) != 0) {
            digit = static_cast<unsigned>(std::tolower(byte) - 'a' + 10);
        } else {
            return std::nullopt;
        }
        if (digit > max || value > (max - digit) / base) {
            return std::nullopt;  // above max, and never wraps
        }
        value = value * base + digit;
    }
    return value;
}

bool HasHexPrefix(const std::string& text) {
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

}  // namespace

bool TokenizeLine(const std::string& line, std::vector<ScriptToken>& tokens, std::string& error) {
    tokens.clear();
    std::size_t at = 0;
    while (at < line.size()) {
        if (IsBlank(line[at])) {
            ++at;
            continue;
        }
        if (line[at] == '#') {
            break;
        }
        ScriptToken token;
        if (line[at] == '|') {
            token.text = "|";
            token.bar = true;
            tokens.push_back(std::move(token));
            ++at;
            continue;
        }
        bool inQuotes = false;
        while (at < line.size() && (inQuotes || (!IsBlank(line[at]) && line[at] != '#' && line[at] != '|'))) {
            const char c = line[at++];
            if (c == '"') {
                inQuotes = !inQuotes;
                token.quoted = true;
            } else if (inQuotes && c == '\\') {
                if (at >= line.size() || (line[at] != '"' && line[at] != '\\')) {
                    error = "inside quotes a backslash goes only before \" or \\";
                    return false;
                }
                token.text.push_back(line[at++]);
            } else {
                if (c == '=' && !inQuotes && token.equals == ScriptToken::kNoEquals) {
                    token.equals = token.text.size();
                }
                token.text.push_back(c);
            }
        }
        if (inQuotes) {
            error = "a quote is not closed";
            return false;
        }
        tokens.push_back(std::move(token));
    }
    return true;
}

std::optional<std::uint64_t> ParseNumber(const std::string& text, std::uint64_t max) {
    if (HasHexPrefix(text)) {
        return ParseDigits(text.substr(2), 16, max);
    }
    return ParseDigits(text, 10, max);
}

std::optional<std::uint64_t> ParseCode(const std::string& text, std::uint64_t max) {
    return ParseDigits(HasHexPrefix(text) ? text.substr(2) : text, 16, max);
}

bool SameWord(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> ScriptTextLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        at = end + 1;
    }
    return lines;
}

}  // namespace tessaly::tools
