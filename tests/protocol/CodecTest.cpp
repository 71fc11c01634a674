#include <gtest/gtest.h>

#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/PassThruErrors.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using test::Parse;

// The name of the exception the factory throws for `packet`, or "" when it parses.
std::string Rejection(const CByteArray& packet, bool extended = false) {
    try {
        Parse(packet, extended);
        return "";
    } catch (const CPassThruFormatError& e) {
        return e.Name();
    }
}

TEST(Codec, HealthCheckKeepsTheFormItArrivedIn) {
    std::uint32_t transaction = 77;
    auto shortForm = Parse(Hex("99 00 00 99"), false, &transaction);
    ASSERT_NE(shortForm, nullptr);
    EXPECT_STREQ(shortForm->ClassName(), "CRspHealthCheck");
    EXPECT_FALSE(shortForm->UsesLongForm());
    EXPECT_EQ(transaction, 0U);
    EXPECT_EQ(shortForm->GetSubCommand(), -1);
    EXPECT_EQ(shortForm->Describe(), (CStringArray{"Command", "Health Request Acknowledge"}));

    auto longForm = Parse(test::LongPacket(0x99, {}), false);
    EXPECT_TRUE(longForm->UsesLongForm());
    auto wide = Parse(Hex("02 00 99 00 00 00 00 9B"), false);
    EXPECT_TRUE(wide->UsesLongForm());
}

TEST(Codec, ErrorReplyInBothForms) {
    auto reply = Parse(test::ShortPacket(0xFF, Hex("93")), false);
    EXPECT_STREQ(reply->ClassName(), "CRspError");
    EXPECT_FALSE(reply->UsesLongForm());
    EXPECT_EQ(reply->Describe(), (CStringArray{"Command", "Resend Data", "Error Code", "UnKnown Command"}));
    auto unknown = Parse(test::LongPacket(0xFF, Hex("42")), false);
    EXPECT_TRUE(unknown->UsesLongForm());
    EXPECT_EQ(unknown->Describe().back(), "Unknown Value");
}

TEST(Codec, WideFrameCarriesAFourByteLength) {
    // 02, address "", command 0A, length 00 00 00 07, payload 01 12 34 58 00 01 02, checksum
    CByteArray packet = Hex("02 00 0A 00 00 00 07 01 12 34 58 00 01 02");
    packet.push_back(AdditiveChecksum(packet.data(), packet.size()));
    std::uint32_t transaction = 0;
    auto reset = Parse(packet, false, &transaction);
    EXPECT_STREQ(reset->ClassName(), "CRspResetCard");
    EXPECT_EQ(transaction, 0x1234U);
}

struct RejectCase {
    const char* name;
    CByteArray packet;
    const char* expected;
};

TEST(Codec, RejectionsFollowTheOrderOfChecks) {
    const CByteArray goodReset = test::PassThroughPacket(0x01, 5, Hex("58 00 01 02"));
    CByteArray badChecksum = goodReset;
    badChecksum.back() ^= 0x01;
    CByteArray foreignFrame = test::ShortPacket(0x04, Hex("00"));
    CByteArray foreignFrameBadSum = foreignFrame;
    foreignFrameBadSum.back() ^= 0x01;

    const RejectCase cases[] = {
        {"bad checksum", badChecksum, "CPassThruChecksumError"},
        {"short form 04", foreignFrame, "CPassThruParseError"},
        {"foreign frame and bad checksum", foreignFrameBadSum, "CPassThruParseError"},
        {"short form 0A", test::ShortPacket(0x0A, Hex("01 00 01 58 00 01 02")), "CPassThruParseError"},
        {"command 02", test::LongPacket(0x02, {}), "CPassThruCmdUnknown"},
        {"command 0B", test::LongPacket(0x0B, {}), "CPassThruCmdUnknown"},
        {"sub-command 11", test::PassThroughPacket(0x11, 1, {}), "CPassThruSubCmdUnknown"},
        {"sub-command 00", test::PassThroughPacket(0x00, 1, {}), "CPassThruSubCmdUnknown"},
        {"sub-command without transaction", test::LongPacket(0x0A, Hex("11 00")), "CPassThruParseError"},
        {"no sub-command", test::LongPacket(0x0A, {}), "CPassThruParseError"},
        {"body one byte short", test::PassThroughPacket(0x01, 1, Hex("58 00 01")), "CPassThruParseError"},
        {"extended body short", test::PassThroughPacket(0x01, 1, Hex("58 00 04 00 00 0C")),
         "CPassThruParseError"},
        {"empty packet", {}, "CPassThruParseError"},
        {"address runs past end", Hex("00 05 5B 4B"), "CPassThruParseError"},
    };
    for (const RejectCase& c : cases) {
        EXPECT_EQ(Rejection(c.packet, std::string(c.name) == "extended body short"), c.expected) << c.name;
    }
}

TEST(Codec, EveryTruncationOfAPacketIsAParseError) {
    const CByteArray packet = test::PassThroughPacket(0x01, 0x0102, Hex("58 00 04 00 00 0C E4"));
    ASSERT_NE(Parse(packet, true), nullptr);
    for (std::size_t length = 0; length < packet.size(); ++length) {
        const CByteArray cut(packet.begin(), packet.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(Rejection(cut, true), "CPassThruParseError") << "length " << length;
    }
}

TEST(Codec, TransactionNumberIsStoredEvenForAnUnknownSubCommand) {
    std::uint32_t transaction = 0;
    CInBinaryString unknown(test::PassThroughPacket(0x14, 0xBEEF, {}));
    EXPECT_THROW(CObjCommResponse::CreateFromPacket(unknown, transaction, false), CPassThruSubCmdUnknown);
    EXPECT_EQ(transaction, 0xBEEFU);
    CInBinaryString health(Hex("99 00 00 99"));
    CObjCommResponse::CreateFromPacket(health, transaction, false);
    EXPECT_EQ(transaction, 0U);
}

TEST(Codec, BytesAfterTheChecksumAndUnreadPayloadAreIgnored) {
    CByteArray packet = test::PassThroughPacket(0x01, 1, Hex("58 00 01 02 EE EE"));
    packet.push_back(0x55);
    packet.push_back(0x66);
    auto reset = Parse(packet, false);
    EXPECT_EQ(reset->GetBody(), Hex("58 00 01 02"));
}

// A message whose body is fixed, to check the frame builder on its own.
class CFixedMessage final : public CObjCommMessage {
public:
    CFixedMessage(std::uint32_t command, int subCommand, bool longForm, CByteArray body)
        : CObjCommMessage(false),
          m_command(command),
          m_subCommand(subCommand),
          m_longForm(longForm),
          m_body(std::move(body)) {}
    std::uint32_t GetCommand() const override { return m_command; }
    int GetSubCommand() const override { return m_subCommand; }
    bool UsesLongForm() const override { return m_longForm; }
    void GetBody(COutBinaryString& out) const override { out.AppendBytes(m_body); }
    const CStringArray& Describe() override { return m_description; }
    const char* ClassName() const override { return "CFixedMessage"; }

private:
    std::uint32_t m_command;
    int m_subCommand;
    bool m_longForm;
    CByteArray m_body;
};

TEST(BuildPacket, LongWideAndShortForms) {
    COutBinaryString out;
    const CFixedMessage keepAlive(0x0A, 0x13, true, {});
    ASSERT_TRUE(keepAlive.BuildPacket(out, 5, kAddressKeyStation, false));
    EXPECT_EQ(out.Bytes(), Hex("00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB"));
    ASSERT_TRUE(keepAlive.BuildPacket(out, 5, kAddressKeyStation, true));
    EXPECT_EQ(out.Bytes(), Hex("02 05 5B 4B 45 59 5D 0A 00 00 00 03 13 00 05 CD"));

    const CFixedMessage nameRequest(0x07, -1, true, Hex("01"));
    ASSERT_TRUE(nameRequest.BuildPacket(out, 0x1234, kAddressController, false));
    EXPECT_EQ(out.Bytes(), Hex("00 07 5B 43 54 52 4C 52 5D 07 00 01 01 4F"));

    const CFixedMessage shortHealth(0x99, -1, false, {});
    ASSERT_TRUE(shortHealth.BuildPacket(out, 0, kAddressCardProcessing, false));
    EXPECT_EQ(out.Bytes(), Hex("99 00 00 99"));
    // Wide length overrides the short form.
    ASSERT_TRUE(shortHealth.BuildPacket(out, 0, "", true));
    EXPECT_EQ(out.Bytes(), Hex("02 00 99 00 00 00 00 9B"));
}

TEST(BuildPacket, RefusesWhatDoesNotFitItsLengthField) {
    COutBinaryString out;
    out.AppendByte(0x42);
    const CFixedMessage message(0x06, -1, true, Hex("01"));
    EXPECT_FALSE(message.BuildPacket(out, 0, std::string(256, 'A'), false));
    EXPECT_TRUE(out.Bytes().empty());
    EXPECT_TRUE(message.BuildPacket(out, 0, std::string(255, 'A'), false));

    const CFixedMessage big(0x06, -1, true, CByteArray(65536, 0));
    EXPECT_FALSE(big.BuildPacket(out, 0, "[CTRLR]", false));
    EXPECT_TRUE(big.BuildPacket(out, 0, "[CTRLR]", true));
    EXPECT_EQ(out.Size(), 1U + 1 + 7 + 1 + 4 + 65536 + 1);
}

}  // namespace
}  // namespace tessaly
