#include <gtest/gtest.h>

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

TEST(TextEncoding, HexAndNumberFormsHaveTheirOwnCaseAndSeparators) {
    const CByteArray bytes = Hex("3B 02 14 0A");
    CString pairs = "left over";
    HexPairs(bytes.data(), bytes.size(), pairs);
    EXPECT_EQ(pairs, "3B02140A");
    EXPECT_EQ(HexString(bytes), "3B02140A");
    EXPECT_EQ(HexDump(bytes), "3b 02 14 0a");
    EXPECT_EQ(HexSpaced(bytes), "3B 02 14 0A ");
    EXPECT_EQ(HexDump({}) + HexString({}) + HexSpaced({}), "");
    EXPECT_EQ(ByteText(0x0A) + " " + ByteText(0xFF), "0a ff");
    EXPECT_EQ(DecimalText(-12), "-12");
    EXPECT_EQ(HexNumberText(0x8010000C) + " " + HexNumberText(0) + " " + HexNumberText(-1),
              "8010000c 0 ffffffff");
    EXPECT_EQ(BytesToNumber(bytes.data(), 2), 0x3B02U);
    EXPECT_EQ(BytesToNumber(nullptr, 0), 0U);
    const CByteArray five = Hex("FF 12 34 56 78");
    EXPECT_EQ(BytesToNumber(five.data(), five.size()), 0x12345678U);  // wraps at 32 bits
}

TEST(TextEncoding, EscapesLeaveOnlyPrintableAsciiWithoutTabsOrLineBreaks) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0x09, "\\t"},   {0x0A, "\\n"},   {0x0D, "\\r"},   {0x22, "\\\""},  {0x5C, "\\\\"},  {0x27, "'"},
        {0x3F, "?"},     {0x20, " "},     {0x7E, "~"},     {0x41, "A"},     {0x00, "\\x00"}, {0x1F, "\\x1f"},
        {0x7F, "\\x7f"}, {0x80, "\\x80"}, {0xFF, "\\xff"}, {0x0B, "\\x0b"},
    };
    for (const auto& [byte, text] : cases) {
        EXPECT_EQ(EscapeByte(byte), text) << int{byte};
    }
    EXPECT_EQ(EscapeText(std::string("A\t\xFF", 3)), "A\\t\\xff");
    for (int b = 0; b < 256; ++b) {
        for (char c : EscapeByte(static_cast<std::uint8_t>(b))) {
            EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << b;
        }
    }
}

TEST(TextEncoding, BlankParseHexAndFormat) {
    for (const char* blank : {"", "  \t", "\r\n\v\f"}) {
        EXPECT_TRUE(IsBlank(blank)) << blank;
    }
    EXPECT_FALSE(IsBlank(" a ") || IsBlank(std::string(1, '\0')));
    CByteArray out;
    EXPECT_TRUE(ParseHex("00 a4\t04 00\n", out));
    EXPECT_EQ(out, (CByteArray{0x00, 0xA4, 0x04, 0x00}));
    EXPECT_TRUE(ParseHex("0A0b", out));
    EXPECT_EQ(out, (CByteArray{0x0A, 0x0B}));
    EXPECT_TRUE(ParseHex("", out) && out.empty());
    for (const char* bad : {"0", "0 A", "GG", "0x12", "12 3", "12-34"}) {
        EXPECT_FALSE(ParseHex(bad, out)) << bad;
        EXPECT_TRUE(out.empty()) << bad;
    }
    // User text is an argument, never the format.
    EXPECT_EQ(FormatText("[%s]", "%s%n%d"), "[%s%n%d]");
    EXPECT_EQ(FormatText("%08x", 0x1234U), "00001234");
    EXPECT_EQ(FormatText("%s", std::string(5000, 'x').c_str()).size(), 5000U);
}

}  // namespace
}  // namespace tessaly
