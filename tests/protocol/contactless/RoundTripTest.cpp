#include <gtest/gtest.h>

#include <set>
#include <string>

#include "protocol/PassThruErrors.h"
#include "tests/protocol/contactless/Frames.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

struct Sample {
    test::Frame frame;
    const char* body;
};

// One or more bodies of every class of this family, with the optional parts present and absent.
const Sample kSamples[] = {
    {test::Sub(0x20), "00 05 48 65 6C 6C 6F 4F 4E"},
    {test::Sub(0x20), "00 03 50 49 4E 43 48 10 53 59"},
    {test::Sub(0x20), "00 01 42 4F 58 04 53 59"},
    {test::Sub(0x30), "43 00 03 3B 6E 00"},
    {test::Sub(0x31), "43 96"},
    {test::Sub(0x32), "44"},
    {test::Sub(0x33), "43 00 04 01 02 A0 FF"},
    {test::Sub(0x34), "43 02 00 05 00 00 00 04 01"},
    {test::Sub(0x35), "43 01 00 00 00 0F"},
    {test::Sub(0x36), "43 00 02 CA FE"},
    {test::Sub(0x37), "43 00 08"},
    {test::Sub(0x38), "44 0F 00"},
    {test::Sub(0x39), "43 12 34 56 78 00 01 02 03 04 05 06 07 00 02 AA BB"},
    {test::Sub(0x3A), "43 DE AD BE EF"},
    {test::Sub(0xFF, 0), ""},
    {test::Sub(0xFF, 0x0102), "00"},
    {test::Sub(0xFF, 0x0102), "01 30 30 31 32 33 00 02 AB CD"},
    {test::ShortCmd(0x01), "03 00 02 41 42 04 00 02 0A FF"},
    {test::Cmd(0x01), ""},
    {test::ShortCmd(0x03), "03 00 02 43 4B 04 00 02 01 02 04 00 03 AA BB CC 0A 00 01 78"},
    {test::Cmd(0x04), "11 00 03 03 04 0C 00 00 05 01 00 02 4B 31 00 00 06 03 00 00 04 00 00"},
    {test::Cmd(0x04), "11 00 00 7F 00 00 7E 00 04 0B 00 01 49"},
    {test::Cmd(0x05), "4B 45 59 30 31"},
    {test::Cmd(0x06), "4F 4B"},
    {test::Cmd(0x07), "53 54 41 54 49 4F 4E 31"},
    {test::Cmd(0x08), "03 01 02 03"},
    {test::Cmd(0x09), "50 53 2D 30 31"},
};

TEST(ContactlessRoundTrip, ParseWriteBackAndParseAgain) {
    std::set<std::string> classes;
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.body);
        std::uint32_t transaction = 0;
        auto first = test::Parse(test::MakePacket(sample.frame, Hex(sample.body)), true, &transaction);
        ASSERT_NE(first, nullptr);
        const CStringArray description = first->Describe();
        const CByteArray body = first->GetBody();

        auto second = test::Parse(test::Reframe(*first, static_cast<std::uint16_t>(transaction)), true);
        ASSERT_NE(second, nullptr);
        EXPECT_STREQ(second->ClassName(), first->ClassName());
        EXPECT_EQ(second->Describe(), description);
        EXPECT_EQ(second->GetBody(), body);
        EXPECT_EQ(second->UsesLongForm(), first->UsesLongForm());
        classes.insert(first->ClassName());
    }
    EXPECT_EQ(classes.size(), 22U);  // every class of the family
}

TEST(ContactlessRoundTrip, NeighbouringCodesStayUnknown) {
    for (const std::uint8_t sub : {0x23, 0x2F, 0x3B, 0x40, 0xFE}) {
        EXPECT_EQ(test::ParseOutcome(test::Sub(sub), Hex("43")), "CPassThruSubCmdUnknown") << int{sub};
    }
    for (const std::uint8_t command : {0x02, 0x0B, 0x10}) {
        EXPECT_EQ(test::ParseOutcome(test::Cmd(command), {}), "CPassThruCmdUnknown") << int{command};
    }
}

}  // namespace
}  // namespace tessaly
