#include <gtest/gtest.h>

#include <map>

#include "protocol/serialmemory/ChipTypes.h"
#include "protocol/serialmemory/Operations.h"
#include "protocol/serialmemory/SerialMemoryCommands.h"
#include "protocol/PassThruErrors.h"
#include "tests/serialmemory/OperationCases.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;

TEST(SerialMemoryProcess, CodesAndRegistration) {
    auto single = test::ParseBody(0x0D, Hex("82 07 00 02 10 20"), true);
    EXPECT_STREQ(single->ClassName(), "CRspSerialMemoryProcess");
    EXPECT_EQ(single->GetCommand(), 0x0AU);
    EXPECT_EQ(single->GetSubCommand(), 0x0D);
    EXPECT_TRUE(single->UsesLongForm());
    auto bulk = test::ParseBody(0x0E, Hex("82 00 00"), true);
    EXPECT_STREQ(bulk->ClassName(), "CRspBulkSerialProcess");
    EXPECT_EQ(bulk->GetCommand(), 0x0AU);
    EXPECT_EQ(bulk->GetSubCommand(), 0x0E);
}

struct UnknownCase {
    const char* body;
    std::uint8_t code;
    CStringArray description;
};

// No operation for the chip: the code and the announced parameter bytes are kept and written back.
TEST(SerialMemoryProcess, WithoutAnOperation) {
    const UnknownCase cases[] = {
        {"FF 02 00 02 01 02",
         0x02,
         {"Command", "Serial Memory Process", "Chip Type", "Any chip type", "Operation", "Unknown Operation",
          "Operation Code", "02", "Parameters", "0102"}},
        {"81 08 00 00",
         0x08,
         {"Command", "Serial Memory Process", "Chip Type", "Siemens SLE 4418/4428", "Operation",
          "Unknown Operation", "Operation Code", "08", "Parameters", "None"}},
        {"00 00 00 01 7F",
         0x00,
         {"Command", "Serial Memory Process", "Chip Type", "No specified type.", "Operation",
          "Unknown Operation", "Operation Code", "00", "Parameters", "7F"}},
        {"88 05 00 03 6E 00 00",
         0x05,
         {"Command", "Serial Memory Process", "Chip Type", "Siemens SLE 4406", "Operation",
          "Unknown Operation", "Operation Code", "05", "Parameters", "6E0000"}},
        {"42 1B 00 00",
         0x1B,
         {"Command", "Serial Memory Process", "Chip Type", "Unknown Value", "Operation", "Unknown Operation",
          "Operation Code", "1b", "Parameters", "None"}},
    };
    for (const UnknownCase& c : cases) {
        auto response = test::ParseBody(0x0D, Hex(c.body), true);
        const auto& command = dynamic_cast<CRspSerialMemoryProcess&>(*response);
        EXPECT_EQ(command.GetOperation(), nullptr) << c.body;
        EXPECT_EQ(command.GetOperationCode(), c.code);
        EXPECT_EQ(response->Describe(), c.description);
        EXPECT_EQ(ToHex(response->GetBody()), ToHex(Hex(c.body)));
        auto again = test::Parse(test::Reframe(*response, 7), true);
        EXPECT_EQ(ToHex(again->GetBody()), ToHex(Hex(c.body)));
    }
}

TEST(SerialMemoryProcess, UnknownOperationMustHoldItsAnnouncedParameters) {
    EXPECT_THROW(test::ParseBody(0x0D, Hex("FF 02 00 03 01 02"), true), CPassThruParseError);
    // Bytes after them are ignored, as after any body.
    auto response = test::ParseBody(0x0D, Hex("FF 02 00 01 01 02"), true);
    EXPECT_EQ(ToHex(response->GetBody()), "FF 02 00 01 01");
}

const char* const kBulkBody =
    "82 00 03"
    " 00 09 07 00 02 10 20 00 02 90 00"  // Read Bytes 4432 expecting 90 00
    " 00 05 00 00 00 00 00"              // Reset Card, no check
    " 00 08 0B 00 02 AA BB 00 01 01";    // no such operation on a 4432, expecting 01

TEST(BulkSerialProcess, ItemsWithAndWithoutExpectedResults) {
    auto response = test::ParseBody(0x0E, Hex(kBulkBody), true);
    const auto& bulk = dynamic_cast<const CRspBulkSerialProcess&>(*response);
    EXPECT_EQ(bulk.GetChipType(), 0x82U);
    ASSERT_EQ(bulk.GetItems().size(), 3U);
    const auto& read = *bulk.GetItems()[0];
    EXPECT_STREQ(read.GetOperation()->ClassName(), "CSmOpReadBytes4432_896_256");
    EXPECT_EQ(read.GetExpectedResult(), Hex("90 00"));
    EXPECT_TRUE(read.ChecksResult());
    EXPECT_EQ(read.GetItemLength(), 9U);
    const auto& reset = *bulk.GetItems()[1];
    EXPECT_STREQ(reset.GetOperation()->ClassName(), "CSerialMemoryOperation");
    EXPECT_FALSE(reset.ChecksResult());
    const auto& unknown = *bulk.GetItems()[2];
    EXPECT_EQ(unknown.GetOperation(), nullptr);
    EXPECT_EQ(unknown.GetOperationCode(), 0x0B);
    EXPECT_EQ(unknown.GetOperationSlot().RawParams(), Hex("AA BB"));
    EXPECT_EQ(unknown.GetExpectedResult(), Hex("01"));

    const CStringArray expected{"Command",
                                "Bulk Serial Process Command",
                                "Chip Type",
                                "Siemens SLE 4432/4442",
                                "Number of Commands",
                                "3",
                                "Operation",
                                "Read Bytes 4432",
                                "Address from which to read",
                                "10",
                                "Number of bytes to read",
                                "20",
                                "Predicted Results",
                                "KBX is responsible to check result",
                                "Resultant Data",
                                "9000",
                                "Operation",
                                "Reset Card",
                                "Predicted Results",
                                "KBX is not responsible to check result",
                                "Operation",
                                "Unknown Operation",
                                "Operation Code",
                                "0b",
                                "Parameters",
                                "AABB",
                                "Predicted Results",
                                "KBX is responsible to check result",
                                "Resultant Data",
                                "01"};
    EXPECT_EQ(response->Describe(), expected);
    EXPECT_EQ(response->Describe(), expected);
    EXPECT_EQ(ToHex(response->GetBody()), ToHex(Hex(kBulkBody)));
}

TEST(BulkSerialProcess, NoItems) {
    auto response = test::ParseBody(0x0E, Hex("FF 00 00"), false);
    EXPECT_TRUE(dynamic_cast<const CRspBulkSerialProcess&>(*response).GetItems().empty());
    EXPECT_EQ(response->Describe(), (CStringArray{"Command", "Bulk Serial Process Command", "Chip Type",
                                                  "Any chip type", "Number of Commands", "0"}));
    EXPECT_EQ(ToHex(response->GetBody()), "FF 00 00");
}

TEST(BulkSerialProcess, ItemLengthIsRewrittenFromTheItem) {
    auto response = test::ParseBody(0x0E, Hex("87 00 01 12 34 05 00 07 00 10 00 00"), false);
    EXPECT_EQ(ToHex(response->GetBody()), "87 00 01 00 07 05 00 02 00 10 00 00");
}

TEST(BulkSerialProcess, MissingBytesFailThePacket) {
    const CByteArray body = Hex(kBulkBody);
    for (std::size_t size = 0; size < body.size(); ++size) {
        const CByteArray cut(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_THROW(test::ParseBody(0x0E, cut, true), CPassThruParseError) << ToHex(cut);
    }
    // A count that promises more items than the body holds.
    EXPECT_THROW(test::ParseBody(0x0E, Hex("82 00 02 00 05 00 00 00 00 00"), true), CPassThruParseError);
}

// Every operation case again, as bulk items of its chip type, alternately with and without a result.
TEST(BulkSerialProcess, EveryOperationAsAnItem) {
    std::map<std::uint8_t, std::vector<const test::OperationCase*>> byChip;
    for (const test::OperationCase& c : test::OperationCases()) {
        byChip[c.chip].push_back(&c);
    }
    for (const auto& [chip, cases] : byChip) {
        COutBinaryString body;
        body.AppendByte(chip).AppendWord(static_cast<std::uint16_t>(cases.size()));
        CStringArray expected{
            "Command",          "Bulk Serial Process Command", "Chip Type",
            ChipTypeText(chip), "Number of Commands",          std::to_string(cases.size())};
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const CByteArray operation = Hex(cases[i]->operation);
            const CByteArray result = i % 2 == 0 ? Hex("61 10") : CByteArray{};
            body.AppendWord(static_cast<std::uint16_t>(operation.size() + 2 + result.size()));
            body.SetLengthPrefix(LengthPrefix::None).AppendBytes(operation);
            body.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(result);
            expected.insert(expected.end(), cases[i]->pairs.begin(), cases[i]->pairs.end());
            expected.emplace_back("Predicted Results");
            if (result.empty()) {
                expected.emplace_back("KBX is not responsible to check result");
            } else {
                expected.insert(expected.end(),
                                {"KBX is responsible to check result", "Resultant Data", "6110"});
            }
        }
        SCOPED_TRACE(testing::Message() << std::hex << "chip " << int{chip});
        auto response = test::ParseBody(0x0E, body.Bytes(), true);
        const auto& bulk = dynamic_cast<const CRspBulkSerialProcess&>(*response);
        ASSERT_EQ(bulk.GetItems().size(), cases.size());
        for (std::size_t i = 0; i < cases.size(); ++i) {
            ASSERT_NE(bulk.GetItems()[i]->GetOperation(), nullptr);
            EXPECT_STREQ(bulk.GetItems()[i]->GetOperation()->ClassName(), cases[i]->className);
        }
        EXPECT_EQ(response->Describe(), expected);
        EXPECT_EQ(ToHex(response->GetBody()), ToHex(body.Bytes()));
        auto again = test::Parse(test::Reframe(*response, 0x0102), true);
        EXPECT_EQ(again->Describe(), expected);
        EXPECT_EQ(ToHex(again->GetBody()), ToHex(body.Bytes()));
    }
}

TEST(BulkSerialProcess, ItemsOutliveTheCommand) {
    CRCPtr<CBulkSerialProcessCommand> item;
    CRCPtr<CSerialMemoryOperation> operation;
    {
        auto response = test::ParseBody(0x0E, Hex(kBulkBody), true);
        item = dynamic_cast<const CRspBulkSerialProcess&>(*response).GetItems()[0];
        operation = item->GetOperation();
    }
    EXPECT_EQ(item.use_count(), 1);
    EXPECT_EQ(item->GetExpectedResult(), Hex("90 00"));
    CStringArray list;
    operation->Describe(list);
    EXPECT_EQ(list.at(1), "Read Bytes 4432");
}

// A wide frame (4-byte payload length) around a pass-through body.
CByteArray WidePacket(std::uint8_t subCommand, const CByteArray& body) {
    CByteArray payload{subCommand, 0x00, 0x01};
    payload.insert(payload.end(), body.begin(), body.end());
    COutBinaryString out;
    out.AppendByte(0x02).SetLengthPrefix(LengthPrefix::OneByte).AppendString("[KEY]");
    out.AppendByte(0x0A).SetLengthPrefix(LengthPrefix::FourBytes).AppendBytes(payload);
    out.AppendChecksum();
    return out.TakeBytes();
}

// Only a wide frame can carry more parameter or item bytes than a 16-bit length holds; such a packet
// could not be answered or written back faithfully and is refused.
TEST(SerialMemoryCommands, LengthsBeyondSixteenBitsAreRefused) {
    const auto writeMemory = [](std::size_t dataSize) {
        COutBinaryString body;
        body.AppendByte(0x81).AppendByte(0x04).AppendWord(0xFFFF).AppendWord(0x0000).AppendByte(0x0C);
        body.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(CByteArray(dataSize, 0x5A));
        return body.TakeBytes();
    };
    // Address 2, write code 1, length 2: 65530 data bytes fill the 16-bit parameter length exactly.
    auto largest = test::Parse(WidePacket(0x0D, writeMemory(65530)), true);
    const CByteArray body = largest->GetBody();
    EXPECT_EQ(ToHex(CByteArray(body.begin(), body.begin() + 4)), "81 04 FF FF");
    EXPECT_THROW(test::Parse(WidePacket(0x0D, writeMemory(65531)), true), CPassThruParseError);

    const auto bulkItem = [](std::size_t resultSize) {
        COutBinaryString body;
        body.AppendByte(0x81).AppendWord(1).AppendWord(0).AppendByte(0x00).AppendWord(0);
        body.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(CByteArray(resultSize, 0x90));
        return body.TakeBytes();
    };
    // Operation 3 bytes, result prefix 2: 65530 result bytes fill the 16-bit item length exactly.
    auto fullItem = test::Parse(WidePacket(0x0E, bulkItem(65530)), true);
    const CByteArray bulkBody = fullItem->GetBody();
    EXPECT_EQ(ToHex(CByteArray(bulkBody.begin() + 3, bulkBody.begin() + 5)), "FF FF");
    EXPECT_THROW(test::Parse(WidePacket(0x0E, bulkItem(65531)), true), CPassThruParseError);
}

}  // namespace
}  // namespace tessaly
