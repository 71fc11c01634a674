// Code-to-text tables as constexpr data with one lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tessaly {

struct CodeText {
    std::uint32_t code;
    const char* text;
};

// The text of `code` in `table`, or `unknown` when the table has no entry for it.
constexpr const char* LookupText(std::span<const CodeText> table, std::uint32_t code, const char* unknown) {
    for (const CodeText& entry : table) {
        if (entry.code == code) {
            return entry.text;
        }
    }
    return unknown;
}

}  // namespace tessaly
