#include <gtest/gtest.h>

#include "protocol/PassThruErrors.h"
#include "protocol/incoming/contact/ProcessCommand.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

std::unique_ptr<CRspProcess> ParseProcess(const char* body, bool extended) {
    auto command = test::ParseBody(0x05, Hex(body), extended);
    auto* process = dynamic_cast<CRspProcess*>(command.get());
    if (process == nullptr) {
        ADD_FAILURE() << "not a Process command: " << body;
        return nullptr;
    }
    command.release();
    return std::unique_ptr<CRspProcess>(process);
}

TEST(ProcessCommand, SelectByNameIsTakenApart) {
    auto process = ParseProcess("58 1E 34 00 08 00 A4 04 00 02 3F 00 00", false);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(process->GetDestination(), 0x58U);
    EXPECT_EQ(process->GetTimeOut(), 30U);
    EXPECT_EQ(process->GetApduCase(), 0x34U);
    EXPECT_EQ(process->GetFlags(), 0);
    EXPECT_EQ(process->GetData(), Hex("00 A4 04 00 02 3F 00 00"));
    ASSERT_TRUE(process->IsSplit());
    EXPECT_EQ(process->GetCla(), 0x00);
    EXPECT_EQ(process->GetIns(), 0xA4);
    EXPECT_EQ(process->GetP1(), 0x04);
    EXPECT_EQ(process->GetP2(), 0x00);
    EXPECT_EQ(process->GetLcData(), Hex("3F 00"));
    EXPECT_EQ(process->GetLe(), 0x00);
    EXPECT_EQ(process->GetSubCommand(), 0x05);
}

struct SplitCase {
    const char* body;
    bool extended;
    bool split;
};

TEST(ProcessCommand, SplitOnlyForTheContactStationWithPlainData) {
    const SplitCase cases[] = {
        {"58 00 31 00 04 00 84 00 00", false, true},
        {"57 00 31 00 04 00 84 00 00", false, true},
        {"43 00 31 00 04 00 84 00 00", false, false},
        {"80 00 31 00 04 00 84 00 00", false, false},
        {"81 00 31 00 04 00 84 00 00", false, false},
        {"88 00 31 00 04 00 84 00 00", false, false},
        {"89 00 31 00 04 00 84 00 00", false, false},
        {"59 00 31 00 04 00 84 00 00", false, false},
        // Case 0x35 is never split.
        {"58 00 35 00 04 00 84 00 00", false, false},
        // Any other case byte is split as far as the header.
        {"58 00 36 00 04 00 84 00 00", false, true},
        {"58 00 00 00 04 00 84 00 00", false, true},
        // Flag 0x0002: the data is an envelope.
        {"58 00 32 00 02 00 05 00 84 00 00 08", true, false},
        {"58 00 32 00 06 00 05 00 84 00 00 08", true, false},
        {"58 00 32 00 04 00 05 00 84 00 00 08", true, true},
        {"58 00 32 FF FD 00 05 00 84 00 00 08", true, true},
        {"58 00 32 00 00 00 05 00 84 00 00 08", true, true},
    };
    for (const SplitCase& c : cases) {
        auto process = ParseProcess(c.body, c.extended);
        ASSERT_NE(process, nullptr) << c.body;
        EXPECT_EQ(process->IsSplit(), c.split) << c.body;
    }
}

TEST(ProcessCommand, EnvelopeFlagsAreExposed) {
    auto envelope = ParseProcess("58 1E 32 00 06 00 03 45 AA BB", true);
    EXPECT_EQ(envelope->GetFlags(), 0x0006);
    EXPECT_TRUE(envelope->HasEncryptedData());
    EXPECT_TRUE(envelope->WantsEncryptedAnswer());
    EXPECT_EQ(envelope->GetData(), Hex("45 AA BB"));
    EXPECT_FALSE(envelope->IsSplit());
    auto plain = ParseProcess("58 1E 32 00 05 00 84 00 00 08", false);
    EXPECT_EQ(plain->GetFlags(), 0);
    EXPECT_FALSE(plain->HasEncryptedData());
    EXPECT_FALSE(plain->WantsEncryptedAnswer());
}

struct ShortApduCase {
    const char* name;
    const char* body;
    bool extended;
};

TEST(ProcessCommand, DataTooShortForItsCaseFailsThePacket) {
    const ShortApduCase cases[] = {
        {"Lc claims 5, 2 present", "58 1E 34 00 07 00 A4 04 00 05 3F 00", false},
        {"case 4 without Le", "58 1E 34 00 07 00 A4 04 00 02 3F 00", false},
        {"case 4 without Lc", "58 1E 34 00 04 00 A4 04 00", false},
        {"case 3 Lc too long", "57 1E 33 00 06 00 D6 00 00 02 01", false},
        {"case 2 without Le", "58 1E 32 00 04 00 B0 00 00", false},
        {"case 1 with three bytes", "58 1E 31 00 03 00 B0 00", false},
        {"non-ISO case with no data", "58 1E 30 00 00", false},
        {"extended, flags clear", "58 1E 34 00 00 00 03 00 A4 04", true},
        {"extended, answer flag only", "58 1E 34 00 04 00 03 00 A4 04", true},
    };
    for (const ShortApduCase& c : cases) {
        EXPECT_THROW(test::ParseBody(0x05, Hex(c.body), c.extended), CPassThruParseError) << c.name;
    }
}

TEST(ProcessCommand, ShortDataIsFineWhereNoSplitHappens) {
    const ShortApduCase cases[] = {
        {"case 0x35", "58 1E 35 00 00", false},
        {"port A", "80 1E 34 00 02 00 A4", false},
        {"contactless", "43 1E 34 00 07 00 A4 04 00 05 3F 00", false},
        {"envelope", "58 1E 34 00 02 00 02 45 01", true},
    };
    for (const ShortApduCase& c : cases) {
        auto process = ParseProcess(c.body, c.extended);
        ASSERT_NE(process, nullptr) << c.name;
        EXPECT_FALSE(process->IsSplit()) << c.name;
    }
}

TEST(ProcessCommand, BytesAfterTheApduPartsStayInTheData) {
    auto process = ParseProcess("58 00 32 00 07 00 B0 00 00 10 EE FF", false);
    ASSERT_TRUE(process->IsSplit());
    EXPECT_EQ(process->GetLe(), 0x10);
    EXPECT_EQ(process->GetData(), Hex("00 B0 00 00 10 EE FF"));
    EXPECT_EQ(process->GetBody(), Hex("58 00 32 00 07 00 B0 00 00 10 EE FF"));
}

TEST(ProcessCommand, BodyLengthMatchesWhatWriteBodyAppends) {
    const ShortApduCase cases[] = {
        {"plain", "58 1E 34 00 08 00 A4 04 00 02 3F 00 00", false},
        {"empty data", "80 00 35 00 00", false},
        {"extended", "58 1E 34 00 04 00 08 00 A4 04 00 02 3F 00 00", true},
        {"extended, empty data", "43 00 31 00 00 00 00", true},
    };
    for (const ShortApduCase& c : cases) {
        auto process = ParseProcess(c.body, c.extended);
        ASSERT_NE(process, nullptr) << c.name;
        COutBinaryString out;
        out.AppendByte(0x77).SetLengthPrefix(LengthPrefix::OneByte);
        process->WriteBody(out);
        EXPECT_EQ(out.Prefix(), LengthPrefix::None) << c.name;
        CByteArray expected = Hex(c.body);
        EXPECT_EQ(process->BodyLength(), expected.size()) << c.name;
        expected.insert(expected.begin(), 0x77);
        EXPECT_EQ(out.Bytes(), expected) << c.name;
    }
}

TEST(ProcessCommand, LongDataKeepsItsTwoByteLength) {
    CByteArray body = Hex("80 00 35 01 2C");
    for (int i = 0; i < 300; ++i) {
        body.push_back(static_cast<std::uint8_t>(i));
    }
    auto command = test::ParseBody(0x05, body, false);
    EXPECT_EQ(command->GetBody(), body);
    EXPECT_EQ(dynamic_cast<const CRspProcess&>(*command).BodyLength(), 305U);
}

}  // namespace
}  // namespace tessaly
