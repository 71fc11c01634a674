#include <gtest/gtest.h>

#include "protocol/PassThruErrors.h"
#include "protocol/incoming/contact/BulkProcessCommand.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

std::unique_ptr<CObjCommResponse> ParseBulk(const CByteArray& body, bool extended) {
    return test::ParseBody(0x0C, body, extended);
}

const CRspBulkProcess& AsBulk(const std::unique_ptr<CObjCommResponse>& command) {
    return dynamic_cast<const CRspBulkProcess&>(*command);
}

TEST(BulkProcessCommand, ItemsInArrivalOrder) {
    auto command = ParseBulk(Hex("00 03"
                                 " 00 0E 58 1E 32 00 05 00 B0 00 00 02 01 02 90 00"
                                 " 00 07 80 00 35 00 01 FF 00"
                                 " 00 0A 57 00 31 00 04 00 84 00 00 02 02 6A 82"),
                             false);
    const CBulkProcessItems& items = AsBulk(command).GetItems();
    ASSERT_EQ(items.size(), 3U);

    EXPECT_EQ(items[0]->GetCheckMode(), CBulkProcessCommand::kCheckWholeResult);
    EXPECT_EQ(items[0]->GetExpectedResult(), Hex("90 00"));
    EXPECT_EQ(items[0]->GetProcess()->GetDestination(), 0x58U);
    EXPECT_TRUE(items[0]->GetProcess()->IsSplit());
    EXPECT_EQ(items[0]->GetProcess()->GetLe(), 0x02);

    // Mode 0 carries no expected result: the next item starts right after the mode byte.
    EXPECT_EQ(items[1]->GetCheckMode(), CBulkProcessCommand::kCheckNothing);
    EXPECT_FALSE(items[1]->HasExpectedResult());
    EXPECT_TRUE(items[1]->GetExpectedResult().empty());
    EXPECT_EQ(items[1]->GetProcess()->GetData(), Hex("FF"));

    EXPECT_EQ(items[2]->GetCheckMode(), CBulkProcessCommand::kCheckStatusWord);
    EXPECT_EQ(items[2]->GetExpectedResult(), Hex("6A 82"));
    EXPECT_EQ(items[2]->GetProcess()->GetDestination(), 0x57U);
}

TEST(BulkProcessCommand, EmptyList) {
    auto command = ParseBulk(Hex("00 00"), true);
    EXPECT_TRUE(AsBulk(command).GetItems().empty());
    EXPECT_EQ(command->GetBody(), Hex("00 00"));
}

struct EncryptionCase {
    const char* body;
    bool extended;
    bool encrypted;
};

TEST(BulkProcessCommand, EncryptedWhenTheAnswerIsToBeEnciphered) {
    const EncryptionCase cases[] = {
        {"00 01 00 00 00 0B 58 00 35 00 04 00 01 AA 01 02 EE EE", true, true},
        {"00 01 00 00 00 0B 58 00 35 00 06 00 01 AA 01 02 EE EE", true, true},
        {"00 01 00 00 00 0B 58 00 35 00 02 00 01 AA 01 02 EE EE", true, false},
        {"00 01 00 00 00 0B 58 00 35 00 00 00 01 AA 01 02 EE EE", true, false},
        {"00 01 00 09 58 00 35 00 01 AA 01 02 EE EE", false, false},
    };
    for (const EncryptionCase& c : cases) {
        auto command = ParseBulk(Hex(c.body), c.extended);
        ASSERT_EQ(AsBulk(command).GetItems().size(), 1U) << c.body;
        const CBulkProcessCommand& item = *AsBulk(command).GetItems().front();
        EXPECT_EQ(item.IsEncrypted(), c.encrypted) << c.body;
        EXPECT_EQ(item.GetExpectedResult(), Hex("EE EE")) << c.body;
    }
}

TEST(BulkProcessCommand, ItemsOutliveTheCommand) {
    CRCPtr<CBulkProcessCommand> kept;
    {
        auto command = ParseBulk(Hex("00 01 00 09 58 00 35 00 01 AA 01 02 90 00"), false);
        kept = AsBulk(command).GetItems().front();
        EXPECT_EQ(kept.use_count(), 2);
    }
    EXPECT_EQ(kept.use_count(), 1);
    EXPECT_EQ(kept->GetProcess()->GetData(), Hex("AA"));
    EXPECT_EQ(kept->GetExpectedResult(), Hex("90 00"));
}

struct LengthCase {
    const char* name;
    std::size_t dataLength;
    std::uint8_t mode;
    std::size_t expectedLength;
    bool extended;
    std::size_t itemLength;  // Process body + mode + (expected + its prefix)
};

// Builds a one-item bulk body with a deliberately wrong declared item length.
CByteArray OneItem(const LengthCase& c) {
    COutBinaryString out;
    out.AppendWord(1);
    if (c.extended) {
        out.AppendDWord(0xDEADBEEF);
        out.AppendByte(0x80).AppendByte(0).AppendByte(0x35).AppendWord(0);
    } else {
        out.AppendWord(0xBEEF);
        out.AppendByte(0x80).AppendByte(0).AppendByte(0x35);
    }
    out.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(CByteArray(c.dataLength, 0x11));
    out.AppendByte(c.mode);
    if (c.mode != 0) {
        out.SetLengthPrefix(LengthPrefix::OneByte).AppendBytes(CByteArray(c.expectedLength, 0x22));
    }
    return out.TakeBytes();
}

TEST(BulkProcessCommand, GetBodyComputesTheItemLength) {
    const LengthCase cases[] = {
        {"no data, mode 0", 0, 0, 0, false, 5 + 1},
        {"no data, mode 0, extended", 0, 0, 0, true, 7 + 1},
        {"data, mode 1", 4, 1, 2, false, 9 + 1 + 3},
        {"data, mode 2, extended", 4, 2, 2, true, 11 + 1 + 3},
        {"mode 1, empty expectation", 3, 1, 0, false, 8 + 1 + 1},
        {"unknown mode carries an expectation", 1, 9, 255, false, 6 + 1 + 256},
        {"long data", 300, 1, 2, false, 305 + 1 + 3},
        {"long data, extended", 300, 0, 0, true, 307 + 1},
    };
    for (const LengthCase& c : cases) {
        const CByteArray body = OneItem(c);
        auto command = ParseBulk(body, c.extended);
        ASSERT_NE(command, nullptr) << c.name;
        const CBulkProcessCommand& item = *AsBulk(command).GetItems().front();
        EXPECT_EQ(item.ItemLength(), c.itemLength) << c.name;

        CByteArray expected = body;
        const std::size_t width = c.extended ? 4 : 2;
        for (std::size_t i = 0; i < width; ++i) {
            expected[2 + i] = static_cast<std::uint8_t>(c.itemLength >> (8 * (width - 1 - i)));
        }
        EXPECT_EQ(command->GetBody(), expected) << c.name;
        // The item length covers exactly the bytes after it.
        EXPECT_EQ(expected.size(), 2 + width + c.itemLength) << c.name;
    }
}

TEST(BulkProcessCommand, MissingPartsFailThePacket) {
    const char* bodies[] = {
        // The count promises two items, one is there.
        "00 02 00 07 80 00 35 00 01 FF 00",
        // The check mode is missing.
        "00 01 00 06 80 00 35 00 01 FF",
        // The expected result is shorter than its length.
        "00 01 00 0A 80 00 35 00 01 FF 01 03 90 00",
        // The Process data cannot be taken apart for its case.
        "00 01 00 0A 58 00 34 00 03 00 A4 04 00",
        // An extended item length needs four bytes.
        "00 01 00 07",
    };
    for (const char* body : bodies) {
        EXPECT_THROW(ParseBulk(Hex(body), std::string(body) == "00 01 00 07"), CPassThruParseError) << body;
    }
}

}  // namespace
}  // namespace tessaly
