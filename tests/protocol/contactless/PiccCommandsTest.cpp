#include <gtest/gtest.h>

#include "protocol/incoming/contactless/PiccCommands.h"
#include "protocol/incoming/contactless/TypeBCommands.h"
#include "tests/protocol/contactless/Frames.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

struct PiccCase {
    std::uint8_t sub;
    const char* body;
    const char* className;
    CStringArray description;
};

const PiccCase kPiccCases[] = {
    {0x30,
     "43 00 03 3B 6E 00",
     "CRspPiccReset",
     {"Command", "Reset PICC Card", "Destination", "PICC", "Reset Data", "3B6E00"}},
    {0x30,
     "44 00 00",
     "CRspPiccReset",
     {"Command", "Reset PICC Card", "Destination", "Unknown Value", "Reset Data", ""}},
    {0x31,
     "43 96",
     "CRspPiccIssuePPS",
     {"Command", "PICC Issue PPS", "Destination", "PICC", "PPS1 Value", "96"}},
    {0x31,
     "44 0A",
     "CRspPiccIssuePPS",
     {"Command", "PICC Issue PPS", "Destination", "Unknown Destination Value", "PPS1 Value", "0A"}},
    {0x32, "43", "CRspPiccAntennaTuning", {"Command", "PICC Antenna Tuning", "Destination", "PICC"}},
    {0x32,
     "58",
     "CRspPiccAntennaTuning",
     {"Command", "PICC Antenna Tuning", "Destination", "Unknown Destination Value"}},
    {0x33,
     "43 00 04 01 02 A0 FF",
     "CRspSetKeys",
     {"Command", "Set Keys", "Destination", "PICC", "Key Data", "0102A0FF"}},
    {0x33,
     "44 00 00",
     "CRspSetKeys",
     {"Command", "Set Keys", "Destination", "Unknown Value", "Key Data", ""}},
    // The option byte is not described.
    {0x34,
     "43 01 00 05 00 00 00 04 01",
     "CRspPiccAuthenticate",
     {"Command", "PICC Authenticate", "Destination", "PICC", "Data", "0000000401"}},
    {0x34,
     "57 00 00 00",
     "CRspPiccAuthenticate",
     {"Command", "PICC Authenticate", "Destination", "Unknown Value", "Data", ""}},
    {0x35,
     "43 01 00 00 00 0F",
     "CRspPiccPower",
     {"Command", "PICC Power", "Destination", "PICC", "Turn Power On", "Carrier Field Strength", "0000000f"}},
    {0x35,
     "43 00 AB CD EF 01",
     "CRspPiccPower",
     {"Command", "PICC Power", "Destination", "PICC", "Turn Power Off", "Carrier Field Strength",
      "abcdef01"}},
    {0x35,
     "58 80 00 00 00 00",
     "CRspPiccPower",
     {"Command", "PICC Power", "Destination", "Unknown Destination Value", "Turn Power On",
      "Carrier Field Strength", "00000000"}},
    {0x36,
     "43 00 02 CA FE",
     "CRspDiversifyKeys",
     {"Command", "Diversify Keys", "Destination", "PICC", "Key Data", "CAFE"}},
    {0x36,
     "44 00 00",
     "CRspDiversifyKeys",
     {"Command", "Diversify Keys", "Destination", "Unknown Destination Value", "Key Data", ""}},
    {0x37, "43 00 08", "CRspReqb", {"Command", "REQB", "Destination", "PICC", "AFI", "00", "N", "08"}},
    {0x37,
     "44 05 01",
     "CRspReqb",
     {"Command", "REQB", "Destination", "Unknown Destination Value", "AFI", "05", "N", "01"}},
    {0x38, "43 0F 00", "CRspWupb", {"Command", "WUPB", "Destination", "PICC", "AFI", "0F", "N", "00"}},
    {0x38,
     "80 A1 B2",
     "CRspWupb",
     {"Command", "WUPB", "Destination", "Unknown Destination Value", "AFI", "A1", "N", "B2"}},
    {0x39,
     "43 12 34 56 78 00 01 02 03 04 05 06 07 00 02 AA BB",
     "CRspAttrib",
     {"Command",
      "ATTRIB",
      "Destination",
      "PICC",
      "Identifier",
      "12345678",
      "Minimum TR0",
      "00",
      "Minimum TR1",
      "01",
      "EOF",
      "02",
      "SOF",
      "03",
      "Bit Rate Selection to PCD",
      "04",
      "Bit Rate Selection to PICC",
      "05",
      "Maximum Frame Size",
      "06",
      "Protocol",
      "07",
      "INF",
      "AABB"}},
    {0x39,
     "58 00 00 00 00 FF FE FD FC FB FA F9 F8 00 00",
     "CRspAttrib",
     {"Command",
      "ATTRIB",
      "Destination",
      "Unknown Destination Value",
      "Identifier",
      "00000000",
      "Minimum TR0",
      "FF",
      "Minimum TR1",
      "FE",
      "EOF",
      "FD",
      "SOF",
      "FC",
      "Bit Rate Selection to PCD",
      "FB",
      "Bit Rate Selection to PICC",
      "FA",
      "Maximum Frame Size",
      "F9",
      "Protocol",
      "F8",
      "INF",
      ""}},
    {0x3A,
     "43 DE AD BE EF",
     "CRspHltb",
     {"Command", "HLTB", "Destination", "PICC", "Identifier", "DEADBEEF"}},
    {0x3A,
     "44 00 00 00 01",
     "CRspHltb",
     {"Command", "HLTB", "Destination", "Unknown Destination Value", "Identifier", "00000001"}},
};

TEST(PiccCommands, DescriptionsAndBodies) {
    for (const bool extended : {false, true}) {  // the contactless layouts do not widen
        for (const PiccCase& c : kPiccCases) {
            SCOPED_TRACE(c.body);
            auto command = test::ParseBody(c.sub, Hex(c.body), extended);
            ASSERT_NE(command, nullptr);
            EXPECT_STREQ(command->ClassName(), c.className);
            EXPECT_EQ(command->GetCommand(), 0x0AU);
            EXPECT_EQ(command->GetSubCommand(), c.sub);
            EXPECT_TRUE(command->UsesLongForm());
            EXPECT_EQ(command->Describe(), c.description);
            EXPECT_EQ(test::ToHex(command->GetBody()), test::ToHex(Hex(c.body)));
        }
    }
}

TEST(PiccCommands, EveryTruncationIsACorruptedPacket) {
    for (const PiccCase& c : kPiccCases) {
        test::ExpectTruncationsRejected(test::Sub(c.sub), Hex(c.body), {}, c.className);
    }
}

TEST(PiccCommands, LengthBeyondTheBodyIsRejected) {
    EXPECT_EQ(test::ParseOutcome(test::Sub(0x30), Hex("43 00 04 3B 6E 00")), "CPassThruParseError");
    EXPECT_EQ(test::ParseOutcome(test::Sub(0x39), Hex("43 12 34 56 78 00 01 02 03 04 05 06 07 00 03 AA BB")),
              "CPassThruParseError");
}

TEST(PiccCommands, BytesAfterTheLastFieldAreIgnored) {
    auto pps = test::ParseBody(0x31, Hex("43 96 FF EE"), false);
    EXPECT_EQ(pps->GetBody(), Hex("43 96"));
    auto hltb = test::ParseBody(0x3A, Hex("43 01 02 03 04 05"), false);
    EXPECT_EQ(hltb->GetBody(), Hex("43 01 02 03 04"));
}

TEST(PiccCommands, FieldsReachTheExecutor) {
    auto reset = test::ParseBody(0x30, Hex("43 00 02 3B 6E"), true);
    const auto& piccReset = dynamic_cast<const CRspPiccReset&>(*reset);
    EXPECT_EQ(piccReset.GetDestination(), 0x43U);
    EXPECT_EQ(piccReset.GetResetData(), Hex("3B 6E"));

    auto pps = test::ParseBody(0x31, Hex("43 96"), true);
    EXPECT_EQ(dynamic_cast<const CRspPiccIssuePPS&>(*pps).GetPps1(), 0x96U);

    auto keys = test::ParseBody(0x33, Hex("43 00 03 01 02 03"), true);
    EXPECT_EQ(dynamic_cast<const CRspSetKeys&>(*keys).GetKeyData(), Hex("01 02 03"));

    // Any non-zero option byte is true, and it is written back as it came.
    auto auth = test::ParseBody(0x34, Hex("43 02 00 05 00 00 00 04 01"), true);
    const auto& authenticate = dynamic_cast<const CRspPiccAuthenticate&>(*auth);
    EXPECT_TRUE(authenticate.GetOption());
    EXPECT_EQ(authenticate.GetData(), Hex("00 00 00 04 01"));
    EXPECT_EQ(auth->GetBody(), Hex("43 02 00 05 00 00 00 04 01"));
    auto authOff = test::ParseBody(0x34, Hex("43 00 00 00"), true);
    EXPECT_FALSE(dynamic_cast<const CRspPiccAuthenticate&>(*authOff).GetOption());

    auto power = test::ParseBody(0x35, Hex("43 7F 00 00 01 00"), true);
    const auto& piccPower = dynamic_cast<const CRspPiccPower&>(*power);
    EXPECT_TRUE(piccPower.IsPowerOn());
    EXPECT_EQ(piccPower.GetCarrierFieldStrength(), 0x100U);
    EXPECT_EQ(power->GetBody(), Hex("43 7F 00 00 01 00"));

    auto diversify = test::ParseBody(0x36, Hex("43 00 01 99"), true);
    EXPECT_EQ(dynamic_cast<const CRspDiversifyKeys&>(*diversify).GetKeyData(), Hex("99"));

    auto reqb = test::ParseBody(0x37, Hex("43 05 02"), true);
    EXPECT_EQ(dynamic_cast<const CRspReqb&>(*reqb).GetAfi(), 0x05U);
    EXPECT_EQ(dynamic_cast<const CRspReqb&>(*reqb).GetN(), 0x02U);
    auto wupb = test::ParseBody(0x38, Hex("43 06 03"), true);
    EXPECT_EQ(dynamic_cast<const CRspWupb&>(*wupb).GetAfi(), 0x06U);
    EXPECT_EQ(dynamic_cast<const CRspWupb&>(*wupb).GetN(), 0x03U);

    auto attrib = test::ParseBody(0x39, Hex("43 12 34 56 78 10 11 12 13 14 15 16 17 00 01 EE"), true);
    const auto& attr = dynamic_cast<const CRspAttrib&>(*attrib);
    EXPECT_EQ(attr.GetIdentifier(), Hex("12 34 56 78"));
    EXPECT_EQ(attr.GetMinimumTr0(), 0x10U);
    EXPECT_EQ(attr.GetMinimumTr1(), 0x11U);
    EXPECT_EQ(attr.GetEof(), 0x12U);
    EXPECT_EQ(attr.GetSof(), 0x13U);
    EXPECT_EQ(attr.GetBitRateToPcd(), 0x14U);
    EXPECT_EQ(attr.GetBitRateToPicc(), 0x15U);
    EXPECT_EQ(attr.GetMaximumFrameSize(), 0x16U);
    EXPECT_EQ(attr.GetProtocol(), 0x17U);
    EXPECT_EQ(attr.GetInf(), Hex("EE"));

    auto hltb = test::ParseBody(0x3A, Hex("43 CA FE BA BE"), true);
    EXPECT_EQ(dynamic_cast<const CRspHltb&>(*hltb).GetIdentifier(), Hex("CA FE BA BE"));
}

TEST(PiccCommands, DescribeRebuildsTheList) {
    auto power = test::ParseBody(0x35, Hex("43 01 00 00 00 0F"), false);
    const CStringArray first = power->Describe();
    EXPECT_EQ(power->Describe(), first);
}

}  // namespace
}  // namespace tessaly
