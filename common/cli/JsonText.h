// The JSON that programs print with --json: one object per line, built with nlohmann/json. Texts are
// single-byte (Latin-1) strings, so every character outside printable ASCII is written as \u00XX and
// the output is plain ASCII whatever the packets held.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace tessaly::cli {

// Members keep the order they were added in.
using Json = nlohmann::ordered_json;

// A JSON string of single-byte text: each byte is the Latin-1 character of that code.
Json Latin1String(const std::string& text);
// A JSON array of single-byte texts.
Json Latin1Strings(const std::vector<std::string>& texts);

// The value on one line: ", " between members and items, ": " after names, and every control or
// non-ASCII character as \u00XX (also backspace and form feed, which JSON could write shorter).
std::string JsonText(const Json& value);

}  // namespace tessaly::cli
