#include <gtest/gtest.h>

#include "protocol/incoming/contact/ResetCommands.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

struct DescribeCase {
    std::uint8_t sub;
    bool extended;
    const char* body;
    CStringArray description;
};

TEST(ResetCommands, Descriptions) {
    const DescribeCase cases[] = {
        {0x01,
         false,
         "58 00 01 12",
         {"Command", "Reset Card", "Destination", "KBX", "Reset Value", "1.2 Volts"}},
        {0x01,
         false,
         "57 00 01 01",
         {"Command", "Reset Card", "Destination", "EX_KBX", "Reset Value", "3.3 Volts"}},
        {0x01,
         false,
         "58 00 01 47",
         {"Command", "Reset Card", "Destination", "KBX", "Reset Value", "4.7 Volts"}},
        {0x01,
         false,
         "58 00 01 33",
         {"Command", "Reset Card", "Destination", "KBX", "Reset Value", "Unknown Value"}},
        {0x01,
         false,
         "58 00 01 7A",
         {"Command", "Reset Card", "Destination", "KBX", "Reset Value", "Unknown Value"}},
        {0x01,
         false,
         "58 00 01 80",
         {"Command", "Reset Card", "Destination", "KBX", "Reset Value", "8.0 Volts"}},
        {0x01,
         false,
         "58 00 01 81",
         {"Command", "Reset Card", "Destination", "KBX", "Reset Value", "Unknown Value"}},
        {0x01,
         false,
         "43 00 01 02",
         {"Command", "Reset Card", "Destination", "Unknown Value", "Reset Value", "5.0 Volts"}},
        {0x01,
         true,
         "58 00 04 00 00 0C E4",
         {"Command", "Reset Card", "Destination", "KBX", "Reset Value", "3300 Millivolts"}},
        {0x02,
         false,
         "43 00 01 03",
         {"Command", "Set Voltage", "Destination", "Unknown Destination  Value", "Voltage Value",
          "6.0 Volts"}},
        {0x04,
         false,
         "58 00 01 10",
         {"Command", "Set Frequency", "Destination", "KBX", "Frequency Value", "7.159 Mhz"}},
        {0x04,
         false,
         "58 00 01 FE",
         {"Command", "Set Frequency", "Destination", "KBX", "Frequency Value", "Unknown Value"}},
        {0x04,
         true,
         "58 00 04 00 00 0F A0",
         {"Command", "Set Frequency", "Destination", "KBX", "Frequency Value", "4000 khz"}},
    };
    for (const DescribeCase& c : cases) {
        auto command = test::ParseBody(c.sub, Hex(c.body), c.extended);
        ASSERT_NE(command, nullptr) << c.body;
        EXPECT_EQ(command->Describe(), c.description) << c.body;
        EXPECT_EQ(command->GetSubCommand(), c.sub);
        EXPECT_EQ(command->GetCommand(), 0x0AU);
    }
}

TEST(ResetCommands, BodyIsWrittenBackWithTheWidthOfTheValue) {
    // A length that disagrees with the value width is read and discarded; GetBody writes the width.
    auto narrow = test::ParseBody(0x01, Hex("58 00 09 12"), false);
    EXPECT_EQ(narrow->GetBody(), Hex("58 00 01 12"));
    auto wide = test::ParseBody(0x02, Hex("58 00 00 00 00 13 88"), true);
    EXPECT_EQ(wide->GetBody(), Hex("58 00 04 00 00 13 88"));
    const auto& voltage = dynamic_cast<const CRspSetVoltage&>(*wide);
    EXPECT_EQ(voltage.GetValue(), 5000U);
    EXPECT_EQ(voltage.GetDestination(), 0x58U);
}

}  // namespace
}  // namespace tessaly
