// Byte data as text: for description lists, the driver log and operator dialogs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Types.h"

namespace tessaly {

// Two upper-case hex digits per byte, no separator: 3B 02 -> "3B02". `out` is replaced.
void HexPairs(const std::uint8_t* bytes, std::size_t count, CString& out);
// Same as HexPairs, for a whole array.
CString HexString(const CByteArray& bytes);
// Two lower-case hex digits per byte separated by one blank: 3B 02 14 -> "3b 02 14".
CString HexDump(const CByteArray& bytes);
// Two upper-case hex digits per byte, each followed by one blank: 3B 02 -> "3B 02 ".
CString HexSpaced(const CByteArray& bytes);
// "%02x"
CString ByteText(std::uint8_t value);
// "%d"
CString DecimalText(std::int32_t value);
// "%x"
CString HexNumberText(std::int32_t value);
// Big-endian unsigned number; wraps at 32 bits; 0 for no bytes.
std::uint32_t BytesToNumber(const std::uint8_t* bytes, std::size_t count);
// C string literal escape of one byte (lower-case \xhh for non-printables).
CString EscapeByte(std::uint8_t value);
CString EscapeText(const CString& text);
// True for an empty text or one made only of blank, \t, \n, \v, \f, \r.
bool IsBlank(const CString& text);
// The text without the characters of `blanks` at either end.
CString TrimmedText(const CString& text, const char* blanks = " \t\n\v\f\r");

// The value of one hexadecimal digit (either case), or -1 for any other character.
int HexDigitValue(char c);

// Parses hexadecimal text (pairs of digits, any case, blanks, tabs and line breaks allowed between
// pairs). Returns false and leaves `out` empty when the text holds anything else or an odd digit.
bool ParseHex(const std::string& text, CByteArray& out);

}  // namespace tessaly
