#include <gtest/gtest.h>

#include "protocol/incoming/contactless/DeviceReplies.h"
#include "tests/protocol/contactless/Frames.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

struct ReplyCase {
    std::uint8_t command;
    const char* body;
    const char* className;
    CStringArray description;
};

const ReplyCase kReplyCases[] = {
    {0x06, "4F 4B", "CRspRegisterDevice", {"Command", " Retrieve Device Name", "Device Registered", "OK"}},
    {0x06, "", "CRspRegisterDevice", {"Command", " Retrieve Device Name", "Device Registered", ""}},
    {0x07,
     "53 54 41 54 49 4F 4E 31",
     "CRspRequestDeviceName",
     {"Command", " Retrieve Device Name", "Device Name", "STATION1"}},
    {0x08,
     "03 01 02 03",
     "CRspAuthenticateClient",
     {"Command", "Authenticate Client Response", "Token", "010203"}},
    {0x08, "00", "CRspAuthenticateClient", {"Command", "Authenticate Client Response", "Token", ""}},
    {0x09, "50 53 2D 30 31", "CRspSetDeviceName", {"Command", " Set Device Name", "Device Name", "PS-01"}},
};

TEST(DeviceReplies, DescriptionsAndBodies) {
    for (const ReplyCase& c : kReplyCases) {
        SCOPED_TRACE(c.body);
        auto reply = test::Parse(test::LongPacket(c.command, Hex(c.body)), false);
        ASSERT_NE(reply, nullptr);
        EXPECT_STREQ(reply->ClassName(), c.className);
        EXPECT_EQ(reply->GetCommand(), c.command);
        EXPECT_EQ(reply->GetSubCommand(), -1);
        EXPECT_TRUE(reply->UsesLongForm());
        EXPECT_EQ(reply->Describe(), c.description);
        EXPECT_EQ(test::ToHex(reply->GetBody()), test::ToHex(Hex(c.body)));
    }
}

TEST(DeviceReplies, FieldsReachTheCaller) {
    auto registered = test::Parse(test::LongPacket(0x06, Hex("4F 4B")), false);
    EXPECT_EQ(dynamic_cast<const CRspRegisterDevice&>(*registered).GetText(), "OK");
    auto name = test::Parse(test::LongPacket(0x07, Hex("50 00 53")), false);
    EXPECT_EQ(dynamic_cast<const CRspRequestDeviceName&>(*name).GetDeviceName(), CString("P\0S", 3));
    auto set = test::Parse(test::LongPacket(0x09, Hex("41")), false);
    EXPECT_EQ(dynamic_cast<const CRspSetDeviceName&>(*set).GetDeviceName(), "A");
    // Bytes after the token are ignored.
    auto token = test::Parse(test::LongPacket(0x08, Hex("02 AA BB CC")), false);
    EXPECT_EQ(dynamic_cast<const CRspAuthenticateClient&>(*token).GetToken(), Hex("AA BB"));
    EXPECT_EQ(token->GetBody(), Hex("02 AA BB"));
}

TEST(DeviceReplies, TokenTruncations) {
    test::ExpectTruncationsRejected(test::Cmd(0x08), Hex("03 01 02 03"), {}, "CRspAuthenticateClient");
}

TEST(DeviceReplies, OnlyTheLongFormCarriesThem) {
    for (const std::uint8_t command : {0x06, 0x07, 0x08, 0x09}) {
        EXPECT_EQ(test::ParseOutcome(test::ShortCmd(command), Hex("00")), "CPassThruParseError")
            << int{command};
    }
}

}  // namespace
}  // namespace tessaly
