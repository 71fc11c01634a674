// The words of a script line and the number notations of its fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::tools {

struct ScriptToken {
    static constexpr std::size_t kNoEquals = std::string::npos;

    std::string text;                // quotes removed, escapes resolved
    std::size_t equals = kNoEquals;  // the first '=' written outside quotes
    bool quoted = false;             // some of it was written in quotes
    bool bar = false;                // an unquoted "|"

    bool HasValue() const { return equals != kNoEquals; }
    std::string Name() const { return HasValue() ? text.substr(0, equals) : text; }
    std::string Value() const { return HasValue() ? text.substr(equals + 1) : std::string(); }
};

// Splits a line at blanks. Double quotes keep blanks, '#' and '|' in a word (\" and \\ inside them
// stand for " and \); '#' outside quotes starts a comment; '|' outside quotes is a word of its own.
// False, with a message, for an unterminated quote or a stray backslash escape.
bool TokenizeLine(const std::string& line, std::vector<ScriptToken>& tokens, std::string& error);
// The lines of a script text, without their line ends (LF or CR LF); line N is at index N - 1.
std::vector<std::string> ScriptTextLines(const std::string& text);

// "123" decimal or "0x7B" hexadecimal, at most `max`.
std::optional<std::uint64_t> ParseNumber(const std::string& text, std::uint64_t max);
// "7B" or "0x7B": hexadecimal always, at most `max`.
std::optional<std::uint64_t> ParseCode(const std::string& text, std::uint64_t max);
// Case-insensitive comparison of ASCII words.
bool SameWord(const std::string& a, const std::string& b);

}  // namespace tessaly::tools
