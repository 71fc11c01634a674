#include <gtest/gtest.h>

#include "protocol/cipher/StationKey.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

TEST(StationKey, DevelopmentKeyIsTheDocumentedOne) {
    const StationKey& key = DevelopmentStationKey();
    EXPECT_EQ(std::string(key.begin(), key.end()), "Tessaly development key!");
    const auto parsed = ParseStationKey("54657373616C7920646576656C6F706D656E74206B657921");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, key);
}

TEST(StationKey, ParsesFortyEightDigitsOfEitherCase) {
    const auto upper = ParseStationKey("0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123");
    const auto lower = ParseStationKey("0123456789abcdef23456789abcdef01456789abcdef0123");
    ASSERT_TRUE(upper.has_value());
    ASSERT_TRUE(lower.has_value());
    EXPECT_EQ(*upper, *lower);
    EXPECT_EQ(test::ToHex(CByteArray(upper->begin(), upper->end())),
              "01 23 45 67 89 AB CD EF 23 45 67 89 AB CD EF 01 45 67 89 AB CD EF 01 23");
}

TEST(StationKey, RejectsAnythingElse) {
    const char* const cases[] = {
        "",
        "0123456789ABCDEF23456789ABCDEF01456789ABCDEF012",    // 47 digits
        "0123456789ABCDEF23456789ABCDEF01456789ABCDEF01234",  // 49 digits
        "0123456789ABCDEF23456789ABCDEF01456789ABCDEF012G",   // not a digit
        "0123456789ABCDEF 23456789ABCDEF01 456789ABCDEF01",   // blanks
        "0x23456789ABCDEF23456789ABCDEF01456789ABCDEF0123",   // prefix
        " 123456789ABCDEF23456789ABCDEF01456789ABCDEF0123",   // leading blank
    };
    for (const char* text : cases) {
        EXPECT_FALSE(ParseStationKey(text).has_value()) << '"' << text << '"';
    }
    const char withZero[] = "0123456789ABCDEF23456789ABCDEF01456789ABCDEF01\0003";
    EXPECT_FALSE(ParseStationKey(std::string_view(withZero, 48)).has_value());
}

}  // namespace
}  // namespace tessaly
