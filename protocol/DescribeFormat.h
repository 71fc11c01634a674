// Value formats of description lists. Each formatter is a small function object so that a field
// visitor can take it as a template argument: readers and writers ignore it at no cost.
#pragma once

#include <cstdint>
#include <span>

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "common/Types.h"
#include "common/ValueTable.h"

namespace tessaly::describe {

// "%02X"
struct UpperHex2 {
    CString operator()(std::uint32_t v) const { return FormatText("%02X", v); }
};
// "%02x"
struct LowerHex2 {
    CString operator()(std::uint32_t v) const { return FormatText("%02x", v); }
};
// "%04X"
struct UpperHex4 {
    CString operator()(std::uint32_t v) const { return FormatText("%04X", v); }
};
// "%08x"
struct LowerHex8 {
    CString operator()(std::uint32_t v) const { return FormatText("%08x", v); }
};
// "%d" (the value taken as signed 32-bit)
struct Dec {
    CString operator()(std::uint32_t v) const { return FormatText("%d", static_cast<std::int32_t>(v)); }
};
// "%u"
struct Unsigned {
    CString operator()(std::uint32_t v) const { return FormatText("%u", v); }
};
// Return code: "%08x" when extended, "%02x" otherwise.
struct ReturnCode {
    bool extended;
    CString operator()(std::uint32_t v) const {
        return extended ? FormatText("%08x", v) : FormatText("%02x", v);
    }
};
// A code looked up in a value table.
struct Table {
    std::span<const CodeText> table;
    const char* unknown;
    CString operator()(std::uint32_t v) const { return LookupText(table, v, unknown); }
};

// Byte data, upper-case pairs run together; the empty string when empty.
struct HexData {
    CString operator()(const CByteArray& v) const { return HexString(v); }
};
// Byte data, upper-case pairs run together; "None" when empty.
struct HexOrNone {
    CString operator()(const CByteArray& v) const { return v.empty() ? CString("None") : HexString(v); }
};
// Byte data, each upper-case pair followed by a blank; "None" when empty.
struct SpacedOrNone {
    CString operator()(const CByteArray& v) const { return v.empty() ? CString("None") : HexSpaced(v); }
};
// Byte data as lower-case pairs separated by single blanks.
struct Dump {
    CString operator()(const CByteArray& v) const { return HexDump(v); }
};
// Text shown as it is.
struct AsText {
    CString operator()(const CString& v) const { return v; }
};

}  // namespace tessaly::describe
