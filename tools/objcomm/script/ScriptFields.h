// The name=value fields of a named command, read by type. The first problem is kept as the error;
// reads after it return their fallback, so a builder runs to its end without checks of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/Types.h"
#include "common/ValueTable.h"

namespace tessaly::tools {

// A field as written: its name, its value and the words that followed it without a name of their
// own (only byte fields take those: `apdu=00A4040002 3F00 00`).
struct NamedField {
    std::string name;
    std::vector<std::string> values;
};

class CFieldSet {
public:
    explicit CFieldSet(const std::vector<NamedField>& fields);

    bool Has(const char* name) const;
    // Hexadecimal, "0x" optional. Without a fallback the field is required.
    std::uint64_t Code(const char* name, std::uint64_t max, std::optional<std::uint64_t> fallback);
    // Decimal, or hexadecimal after "0x".
    std::uint64_t Number(const char* name, std::uint64_t max, std::optional<std::uint64_t> fallback);
    // A code, or one of the names of `names` (any case).
    std::uint64_t Named(const char* name, std::span<const CodeText> names, std::uint64_t max,
                        std::optional<std::uint64_t> fallback);
    // Hexadecimal pairs; the value and the words after it are joined.
    CByteArray Bytes(const char* name, std::size_t maxLength, const std::optional<CByteArray>& fallback);
    std::string Text(const char* name, const std::optional<std::string>& fallback);
    // Makes a field given in the wrong layout an error.
    void Forbid(const char* name, const char* reason);
    void Fail(std::string message);

    // False, with the message, after any error or when a field was given that nothing read.
    bool Finish(std::string& error) const;

private:
    const NamedField* Find(const char* name);
    // The single value of a field that takes one; null (and an error) for several words.
    const std::string* Single(const NamedField& field);

    std::vector<NamedField> m_fields;
    std::vector<bool> m_used;
    std::string m_error;
};

}  // namespace tessaly::tools
