#include <gtest/gtest.h>

#include "common/Format.h"
#include "protocol/incoming/contact/ReaderAttribute.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

struct AttributeCase {
    std::uint32_t attribute;
    std::uint32_t value;
    const char* name;
    const char* text;
};

// Parses a Set Reader Attribute command for the contact station and returns its description.
CStringArray DescribeSet(std::uint32_t attribute, std::uint32_t value) {
    COutBinaryString body;
    body.AppendByte(0x58).AppendByte(static_cast<std::uint8_t>(attribute)).AppendByte(1).AppendDWord(value);
    auto command = test::ParseBody(0x16, body.Bytes(), false);
    return command->Describe();
}

TEST(ReaderAttribute, EveryAttributeNameAndValueText) {
    const AttributeCase cases[] = {
        {0, 4294967295U, "Character Waiting Time", "4294967295"},
        {1, 0, "Block Waiting Time", "0"},
        {2, 9600, "Baud Rate", "9600 bps"},
        {3, 12, "Extra Guard Time", "12"},
        {4, 22, "Block Guard Time", "22"},
        {5, 49, "IFSD", "Invalid value"},
        {5, 50, "IFSD", "50"},
        {5, 254, "IFSD", "254"},
        {5, 596, "IFSD", "596"},
        {5, 597, "IFSD", "Invalid value"},
        {6, 9600, "Initial Character Waiting Time", "9600"},
        {7, 0, "Command Handling", "APDU Level"},
        {7, 2, "Command Handling", "TPDU Level"},
        {8, 0x00, "Get Response CLA Byte", "Use 0x00 as CLA Byte"},
        {8, 0xFF, "Get Response CLA Byte", "Use 0xFF as CLA Byte"},
        {8, 0x100, "Get Response CLA Byte", "Use Original CLA Bytes"},
        {9, 7, "Antenna Tuning Value", "7"},
        {10, 0, "Frame Waiting Time Integer", "0"},
        {10, 14, "Frame Waiting Time Integer", "14"},
        {10, 15, "Frame Waiting Time Integer", "Invalid value"},
        {11, 4833, "Frame Waiting Time", "4833 microseconds"},
        {12, 255, "Frame Size for PICC Device Integer", "255"},
        {12, 256, "Frame Size for PICC Device Integer", "Invalid value"},
        {13, 3, "Divisor Receive Integer", "3"},
        {13, 4, "Divisor Receive Integer", "Invalid value"},
        {14, 8, "Divisor Receive", "8"},
        {15, 0, "Divisor Send Integer", "0"},
        {15, 4, "Divisor Send Integer", "Invalid value"},
        {16, 2, "Divisor Send", "2"},
        {17, 0x000A0002, "Type B Start of Frame", "Number of 0's: 10, Number of 1's: 2"},
        {17, 0xFFFFFFFF, "Type B Start of Frame", "Number of 0's: 65535, Number of 1's: 65535"},
        {18, 10, "Type B End of Frame", "10"},
        {19, 57, "Type B Extra Guard Time", "57 microseconds"},
        {20, 1, "CRC Returned Setting", "CRC is returned to the application"},
        {20, 0, "CRC Returned Setting", "CRC is NOT returned to the application"},
        {21, 5, "Auto CRC Setting", "CRC is automatically computed"},
        {21, 0, "Auto CRC Setting", "CRC is supplied by the application"},
        {22, 1, "Validation Setting", "CRC of card responses is checked"},
        {22, 0, "Validation Setting", "CRC of card responses is NOT checked"},
        {23, 1, "Type A Parity Bit Setting", "Parity bit is NOT automatically added"},
        {23, 0, "Type A Parity Bit Setting", "Parity bit is automatically added"},
        {24, 1, "Type A Short Form Setting", "Communication uses short frames"},
        {24, 0, "Type A Short Form Setting", "Communication uses standard frames"},
        {25, 11990, "Carrier Frequency", "Invalid value"},
        {25, 12000, "Carrier Frequency", "12000 kHz"},
        {25, 13560, "Carrier Frequency", "13560 kHz"},
        {25, 13565, "Carrier Frequency", "Invalid value"},
        {25, 18000, "Carrier Frequency", "18000 kHz"},
        {25, 18010, "Carrier Frequency", "Invalid value"},
        {26, 15, "Carrier Field Strength", "15"},
        {26, 16, "Carrier Field Strength", "Invalid value"},
        {27, 1, "Unknown Value", "Unknown Attribute Data Value"},
        {255, 0, "Unknown Value", "Unknown Attribute Data Value"},
    };
    for (const AttributeCase& c : cases) {
        const CStringArray expected{
            "Command", "Reader Attribute", "Destination", "KBX", "Attribute", c.name, "Value", c.text};
        EXPECT_EQ(DescribeSet(c.attribute, c.value), expected) << c.attribute << " = " << c.value;
    }
}

TEST(ReaderAttribute, ReadingCarriesNoValue) {
    auto command = test::ParseBody(0x16, Hex("43 0B 00"), true);
    const auto& attribute = dynamic_cast<const CRspReaderAttribute&>(*command);
    EXPECT_EQ(attribute.GetDestination(), 0x43U);
    EXPECT_EQ(attribute.GetAttribute(), 11U);
    EXPECT_FALSE(attribute.IsSet());
    EXPECT_EQ(attribute.GetValue(), 0U);
    EXPECT_EQ(command->GetBody(), Hex("43 0B 00"));
    EXPECT_EQ(command->Describe(), (CStringArray{"Command", "Reader Attribute", "Destination", "PICC",
                                                 "Attribute", "Frame Waiting Time", "Get Value"}));
}

TEST(ReaderAttribute, AnyNonZeroSetFlagSetsAndIsKept) {
    auto command = test::ParseBody(0x16, Hex("58 02 80 00 00 25 80"), false);
    const auto& attribute = dynamic_cast<const CRspReaderAttribute&>(*command);
    EXPECT_TRUE(attribute.IsSet());
    EXPECT_EQ(attribute.GetSetFlag(), 0x80U);
    EXPECT_EQ(attribute.GetValue(), 9600U);
    EXPECT_EQ(command->GetBody(), Hex("58 02 80 00 00 25 80"));
}

}  // namespace
}  // namespace tessaly
