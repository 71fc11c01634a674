#include <gtest/gtest.h>

#include "protocol/cipher/CipherEnvelope.h"
#include "protocol/cipher/StationKey.h"
#include "protocol/incoming/contact/BulkProcessCommand.h"
#include "protocol/incoming/contact/ProcessCommand.h"
#include "protocol/incoming/contactless/PiccCommands.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

class DecryptHelpers : public ::testing::Test {
protected:
    CByteArray Envelope(const CByteArray& plain) const {
        CByteArray envelope;
        EXPECT_TRUE(EncryptEnvelope(m_context, plain, envelope));
        return envelope;
    }
    // An extended Process body for the contact station, case 2, with the given flags and data.
    static CByteArray ProcessBody(std::uint16_t flags, const CByteArray& data) {
        COutBinaryString out;
        out.AppendByte(0x58).AppendByte(0x1E).AppendByte(0x32).AppendWord(flags);
        out.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(data);
        return out.TakeBytes();
    }

    CCipherContext m_context{DevelopmentStationKey()};
};

TEST_F(DecryptHelpers, ProcessDataIsUnwrappedOnlyWhenFlagged) {
    const CByteArray apdu = Hex("00 B0 00 00 10");
    auto enciphered = test::ParseBody(0x05, ProcessBody(0x0002, Envelope(apdu)), true);
    const auto& process = dynamic_cast<const CRspProcess&>(*enciphered);
    EXPECT_FALSE(process.IsSplit());  // an envelope is never taken apart as an APDU
    CByteArray out;
    EXPECT_TRUE(process.DecryptData(m_context, out));
    EXPECT_EQ(out, apdu);

    auto plain = test::ParseBody(0x05, ProcessBody(0x0000, apdu), true);
    CByteArray untouched = Hex("AA");
    EXPECT_FALSE(dynamic_cast<const CRspProcess&>(*plain).DecryptData(m_context, untouched));
    EXPECT_EQ(untouched, Hex("AA"));

    CByteArray broken = Envelope(apdu);
    broken.back() ^= 0x01;
    auto corrupted = test::ParseBody(0x05, ProcessBody(0x0002, broken), true);
    EXPECT_FALSE(dynamic_cast<const CRspProcess&>(*corrupted).DecryptData(m_context, untouched));
    EXPECT_TRUE(untouched.empty());
}

TEST_F(DecryptHelpers, BulkExpectedResultIsUnwrappedWhenTheAnswerIsEnciphered) {
    const CByteArray expected = Hex("90 00");
    const CByteArray envelope = Envelope(expected);
    COutBinaryString body;
    body.AppendWord(2);
    for (std::uint16_t flags : {std::uint16_t{0x0004}, std::uint16_t{0x0000}}) {
        const CByteArray process = ProcessBody(flags, Hex("00 B0 00 00 10"));
        const CByteArray& result = flags != 0 ? envelope : expected;
        body.AppendDWord(static_cast<std::uint32_t>(process.size() + 2 + result.size()));
        body.AppendBytes(process).AppendByte(0x02);
        body.SetLengthPrefix(LengthPrefix::OneByte).AppendBytes(result).SetLengthPrefix(LengthPrefix::None);
    }
    auto bulk = test::ParseBody(0x0C, body.Bytes(), true);
    const auto& items = dynamic_cast<const CRspBulkProcess&>(*bulk).GetItems();
    ASSERT_EQ(items.size(), 2U);
    CByteArray out;
    EXPECT_TRUE(items[0]->IsEncrypted());
    EXPECT_TRUE(items[0]->DecryptExpected(m_context, out));
    EXPECT_EQ(out, expected);
    CByteArray untouched = Hex("AA");
    EXPECT_FALSE(items[1]->IsEncrypted());
    EXPECT_FALSE(items[1]->DecryptExpected(m_context, untouched));
    EXPECT_EQ(untouched, Hex("AA"));
}

TEST_F(DecryptHelpers, SetKeysUnwrapsTheKeyTable) {
    const CByteArray keys = Hex("FF FF FF FF FF FF A0 A1 A2 A3 A4 A5");
    COutBinaryString body;
    body.AppendByte(0x43).SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(Envelope(keys));
    auto command = test::ParseBody(0x33, body.Bytes(), true);
    CByteArray out;
    EXPECT_TRUE(dynamic_cast<const CRspSetKeys&>(*command).DecryptKeyData(m_context, out));
    EXPECT_EQ(out, keys);

    auto plain = test::ParseBody(0x33, Hex("43 00 0C FF FF FF FF FF FF A0 A1 A2 A3 A4 A5"), true);
    EXPECT_FALSE(dynamic_cast<const CRspSetKeys&>(*plain).DecryptKeyData(m_context, out));
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace tessaly
