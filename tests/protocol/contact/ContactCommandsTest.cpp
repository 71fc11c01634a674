#include <gtest/gtest.h>

#include "protocol/PassThruErrors.h"
#include "tests/protocol/contact/ContactCases.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::ContactCase;
using test::ContactCases;
using test::Hex;

std::string Label(const ContactCase& c) {
    return std::string(c.className) + (c.extended ? " extended [" : " [") + c.body + "]";
}

TEST(ContactCommands, DescriptionsAndBodies) {
    for (const ContactCase& c : ContactCases()) {
        SCOPED_TRACE(Label(c));
        auto command = test::ParseBody(c.subCommand, Hex(c.body), c.extended);
        ASSERT_NE(command, nullptr);
        EXPECT_STREQ(command->ClassName(), c.className);
        EXPECT_EQ(command->GetCommand(), 0x0AU);
        EXPECT_EQ(command->GetSubCommand(), c.subCommand);
        EXPECT_TRUE(command->UsesLongForm());
        EXPECT_EQ(command->IsExtended(), c.extended);
        EXPECT_EQ(command->Describe(), c.description);
        // The list is rebuilt, not appended to.
        EXPECT_EQ(command->Describe(), c.description);
        const CByteArray expected = Hex(c.rewritten != nullptr ? c.rewritten : c.body);
        EXPECT_EQ(test::ToHex(command->GetBody()), test::ToHex(expected));
    }
}

TEST(ContactCommands, EveryTruncatedBodyIsAParseError) {
    for (const ContactCase& c : ContactCases()) {
        const CByteArray body = Hex(c.body);
        for (std::size_t length = 0; length < body.size(); ++length) {
            const CByteArray cut(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_THROW(test::ParseBody(c.subCommand, cut, c.extended), CPassThruParseError)
                << Label(c) << " cut to " << length;
        }
    }
}

TEST(ContactCommands, TrailingBytesAreIgnored) {
    for (const ContactCase& c : ContactCases()) {
        CByteArray body = Hex(c.body);
        body.push_back(0xEE);
        auto command = test::ParseBody(c.subCommand, body, c.extended);
        ASSERT_NE(command, nullptr) << Label(c);
        EXPECT_EQ(command->Describe(), c.description) << Label(c);
    }
}

TEST(ContactCommands, RoundTripKeepsDescriptionAndBody) {
    for (const ContactCase& c : ContactCases()) {
        SCOPED_TRACE(Label(c));
        auto first = test::ParseBody(c.subCommand, Hex(c.body), c.extended);
        ASSERT_NE(first, nullptr);
        std::uint32_t transaction = 0;
        auto second = test::Parse(test::Reframe(*first, 0x4321), c.extended, &transaction);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(transaction, 0x4321U);
        EXPECT_STREQ(second->ClassName(), first->ClassName());
        EXPECT_EQ(second->Describe(), first->Describe());
        EXPECT_EQ(second->GetBody(), first->GetBody());
    }
}

struct ReplyCase {
    CByteArray packet;
    const char* className;
    bool longForm;
    CStringArray description;
};

TEST(ContactCommands, ProtocolRepliesRoundTripInTheirOwnForm) {
    const ReplyCase cases[] = {
        {Hex("99 00 00 99"), "CRspHealthCheck", false, {"Command", "Health Request Acknowledge"}},
        {test::LongPacket(0x99, {}), "CRspHealthCheck", true, {"Command", "Health Request Acknowledge"}},
        {test::ShortPacket(0xFF, Hex("09")),
         "CRspError",
         false,
         {"Command", "Resend Data", "Error Code", "Data Not Found"}},
        {test::LongPacket(0xFF, Hex("96")),
         "CRspError",
         true,
         {"Command", "Resend Data", "Error Code", "Data Already Exist"}},
        {test::LongPacket(0xFF, Hex("97")),
         "CRspError",
         true,
         {"Command", "Resend Data", "Error Code", "Unknown Value"}},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(test::ToHex(c.packet));
        auto reply = test::Parse(c.packet, true);
        ASSERT_NE(reply, nullptr);
        EXPECT_STREQ(reply->ClassName(), c.className);
        EXPECT_EQ(reply->GetSubCommand(), -1);
        EXPECT_EQ(reply->UsesLongForm(), c.longForm);
        EXPECT_EQ(reply->Describe(), c.description);
        const CByteArray reframed = test::Reframe(*reply, 0);
        EXPECT_EQ(reframed.front() == 0x00, c.longForm);
        auto again = test::Parse(reframed, true);
        EXPECT_EQ(again->Describe(), c.description);
        EXPECT_EQ(again->UsesLongForm(), c.longForm);
    }
    EXPECT_THROW(test::Parse(test::ShortPacket(0xFF, {}), false), CPassThruParseError);
}

TEST(ContactCommands, SubCommandsOutsideTheFamilyStayUnknown) {
    for (std::uint8_t sub : {0x00, 0x11, 0x14, 0x18, 0x1F, 0x23, 0x2F}) {
        EXPECT_THROW(test::ParseBody(sub, Hex("58 00 01 02"), false), CPassThruSubCmdUnknown) << int{sub};
    }
}

}  // namespace
}  // namespace tessaly
