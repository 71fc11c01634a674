// Serial-memory operations from tests/data/serialmemory.vec, inside a Serial Memory Process command
// and as Bulk Serial Process items; the result records the executors build; the limits of the 16-bit
// lengths. The commands' own bytes and descriptions are vectors of incoming.vec and outgoing.vec.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>

#include "protocol/PassThruErrors.h"
#include "protocol/serialmemory/Operations.h"
#include "protocol/serialmemory/SerialMemoryCommands.h"
#include "protocol/serialmemory/SerialMemoryResult.h"
#include "tests/support/TestPackets.h"
#include "tests/support/Vectors.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;
using test::Vector;

std::uint8_t Chip(const Vector& v) {
    return Hex(v.frame).at(0);
}

// The body of a Serial Memory Process command, cut to `length` bytes when given.
CByteArray Command(const Vector& v, std::size_t length = SIZE_MAX) {
    CByteArray body{Chip(v)};
    body.insert(body.end(), v.bytes.begin(), v.bytes.end());
    body.resize(std::min(length, body.size()));
    return body;
}

// The description after the opening pairs ("Command", the name, "Chip Type", the chip's text).
CStringArray Tail(const CStringArray& description, std::size_t opening) {
    return {description.begin() + static_cast<std::ptrdiff_t>(std::min(opening, description.size())),
            description.end()};
}

TEST(SerialMemory, EveryOperationInAProcessCommand) {
    for (const Vector& v : test::LoadVectors("serialmemory.vec")) {
        for (const bool extended : v.Extended()) {
            SCOPED_TRACE(v.where + (extended ? " (extended)" : ""));
            const CByteArray body = Command(v);
            auto parsed = test::ParseBody(0x0D, body, extended);
            auto& command = dynamic_cast<CRspSerialMemoryProcess&>(*parsed);
            ASSERT_NE(command.GetOperation(), nullptr);
            const CSerialMemoryOperation& operation = *command.GetOperation();
            EXPECT_STREQ(operation.ClassName(), v.outcome.c_str());
            EXPECT_EQ(operation.GetChipType(), Chip(v));
            EXPECT_EQ(operation.GetOperationCode(), v.bytes.at(0));
            EXPECT_EQ(command.GetChipType(), Chip(v));
            EXPECT_EQ(command.GetOperationCode(), v.bytes.at(0));
            EXPECT_EQ(operation.IsExtended(), extended);
            EXPECT_EQ(operation.GetParamLength(), v.bytes.size() - 3);
            ASSERT_EQ(command.Describe().at(2), "Chip Type");
            EXPECT_EQ(Tail(command.Describe(), 4), *v.description);
            EXPECT_EQ(ToHex(command.GetBody()), ToHex(body));
            COutBinaryString written;
            operation.Write(written);
            EXPECT_EQ(ToHex(written.Bytes()), ToHex(v.bytes));
            const auto again = test::Parse(test::Reframe(command, 0x4321), extended);
            EXPECT_EQ(again->Describe(), command.Describe());
            EXPECT_EQ(again->GetBody(), body);
            for (std::size_t length = 0; length < body.size(); ++length) {
                CInBinaryString cut(test::PassThroughPacket(0x0D, 1, Command(v, length)));
                std::uint32_t transaction = 0;
                EXPECT_THROW(CObjCommResponse::CreateFromPacket(cut, transaction, extended),
                             CPassThruParseError)
                    << "cut to " << length;
            }
        }
    }
}

// The operations of each chip type as the items of one Bulk Serial Process, alternately with and
// without an expected result.
TEST(SerialMemory, EveryOperationAsABulkItem) {
    std::map<std::uint8_t, std::vector<const Vector*>> byChip;
    for (const Vector& v : test::LoadVectors("serialmemory.vec")) {
        byChip[Chip(v)].push_back(&v);
    }
    for (const auto& [chip, items] : byChip) {
        SCOPED_TRACE(testing::Message() << std::hex << "chip " << int{chip});
        COutBinaryString body;
        body.AppendByte(chip).AppendWord(static_cast<std::uint16_t>(items.size()));
        CStringArray expected{"Number of Commands", std::to_string(items.size())};
        for (std::size_t i = 0; i < items.size(); ++i) {
            const CByteArray result = i % 2 == 0 ? Hex("61 10") : CByteArray{};
            body.AppendWord(static_cast<std::uint16_t>(items[i]->bytes.size() + 2 + result.size()));
            body.AppendBytes(items[i]->bytes).SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(result);
            body.SetLengthPrefix(LengthPrefix::None);
            expected.insert(expected.end(), items[i]->description->begin(), items[i]->description->end());
            expected.emplace_back("Predicted Results");
            if (result.empty()) {
                expected.emplace_back("KBX is not responsible to check result");
            } else {
                expected.insert(expected.end(),
                                {"KBX is responsible to check result", "Resultant Data", "6110"});
            }
        }
        auto parsed = test::ParseBody(0x0E, body.Bytes(), true);
        const auto& bulk = dynamic_cast<const CRspBulkSerialProcess&>(*parsed);
        ASSERT_EQ(bulk.GetItems().size(), items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            ASSERT_NE(bulk.GetItems()[i]->GetOperation(), nullptr);
            EXPECT_STREQ(bulk.GetItems()[i]->GetOperation()->ClassName(), items[i]->outcome.c_str());
        }
        EXPECT_EQ(Tail(parsed->Describe(), 4), expected);
        EXPECT_EQ(ToHex(parsed->GetBody()), ToHex(body.Bytes()));
        EXPECT_EQ(test::Parse(test::Reframe(*parsed, 0x0102), true)->Describe(), parsed->Describe());
    }
}

TEST(SerialMemory, ItemsAndOperationsOutliveTheCommand) {
    CRCPtr<CBulkSerialProcessCommand> item;
    {
        auto parsed = test::ParseBody(
            0x0E, Hex("82 00 02 00 09 07 00 02 10 20 00 02 90 00 00 08 0B 00 02 AA BB 00 01 01"), true);
        const auto& bulk = dynamic_cast<const CRspBulkSerialProcess&>(*parsed);
        EXPECT_EQ(bulk.GetChipType(), 0x82U);
        item = bulk.GetItems()[0];
        const CBulkSerialProcessCommand& unknown = *bulk.GetItems()[1];
        EXPECT_EQ(unknown.GetOperation(), nullptr);
        EXPECT_EQ(unknown.GetOperationCode(), 0x0B);
        EXPECT_EQ(unknown.GetOperationSlot().RawParams(), Hex("AA BB"));
        EXPECT_EQ(unknown.GetExpectedResult(), Hex("01"));
    }
    EXPECT_EQ(item.use_count(), 1);
    EXPECT_TRUE(item->ChecksResult());
    EXPECT_EQ(item->GetItemLength(), 9U);
    EXPECT_EQ(item->GetExpectedResult(), Hex("90 00"));
    CStringArray list;
    item->GetOperation()->Describe(list);
    EXPECT_EQ(list, (CStringArray{"Operation", "Read Bytes 4432", "Address from which to read", "10",
                                  "Number of bytes to read", "20"}));
    // The fields of two operations with several parameters.
    const auto write = test::ParseBody(0x0D, Hex("81 04 00 08 01 20 8C 00 03 A1 B2 C3"), false);
    const auto& memory = dynamic_cast<const CSmOpWriteMemory4418&>(
        *dynamic_cast<const CRspSerialMemoryProcess&>(*write).GetOperation());
    EXPECT_EQ(memory.GetAddress() << 8 | memory.GetWriteCode(), 0x1208CU);
    EXPECT_EQ(memory.GetData(), Hex("A1 B2 C3"));
    const auto auth = test::ParseBody(0x0D, Hex("83 05 00 05 6E 01 AB 00 40"), false);
    const auto& authenticate = dynamic_cast<const CSmOpAuthenticate4436&>(
        *dynamic_cast<const CRspSerialMemoryProcess&>(*auth).GetOperation());
    EXPECT_EQ(authenticate.GetControl() << 8 | authenticate.GetResponseBits(), 0x6E40U);
    EXPECT_EQ(authenticate.GetChallenge(), Hex("AB"));
    // An operation the factory would not make describes itself as unknown and writes no parameters.
    const CSerialMemoryOperation stray(0x81, 0x0C, false);
    list.clear();
    stray.Describe(list);
    EXPECT_EQ(list, (CStringArray{"Operation", "Unknown Operation"}));
    COutBinaryString out;
    stray.Write(out);
    EXPECT_EQ(ToHex(out.Bytes()), "0C 00 00");
}

TEST(SerialMemory, ResultRecords) {
    CStringArray list{"Command", "Serial Memory Process Acknowledge"};
    const CSerialMemoryResult plain(0x36, 0, 0x00, 0x00);
    plain.Describe(list);
    EXPECT_EQ(list.size(), 10U) << "appended, not replaced";
    CByteArray data{1, 2};
    plain.GetData(data);
    EXPECT_TRUE(data.empty());

    // Data travels only after success; writing keeps the caller's prefix mode.
    const CSerialMemoryDataResult success(0x30, 0, 0x85, 0x06, Hex("55"));
    COutBinaryString out;
    out.SetLengthPrefix(LengthPrefix::TwoBytes);
    success.Write(out);
    EXPECT_EQ(out.Prefix(), LengthPrefix::TwoBytes);
    EXPECT_EQ(ToHex(out.Bytes()), "00 08 30 00 00 00 00 85 06 55");
    success.GetData(data);
    EXPECT_EQ(data, Hex("55"));
    // After a failure the record is the plain one, whatever data the result holds.
    for (const auto& [indicator, returnCode] : {std::pair{0x30, 0x6A82}, std::pair{0x31, 0}}) {
        const CSerialMemoryDataResult failed(indicator, returnCode, 0x81, 0x07, Hex("A1 B2"));
        COutBinaryString record;
        failed.Write(record);
        EXPECT_EQ(record.Size(), 9U);
        list.clear();
        failed.Describe(list);
        EXPECT_EQ(list.size(), 8U) << "no data line";
    }

    constexpr std::size_t kMax = CSerialMemoryDataResult::kMaxData;
    EXPECT_THROW(CSerialMemoryDataResult(0x30, 0, 0x81, 0x07, CByteArray(kMax + 1)), std::length_error);
    COutBinaryString largest;
    CSerialMemoryDataResult(0x30, 0, 0x81, 0x07, CByteArray(kMax)).Write(largest);
    EXPECT_EQ(largest.Size(), 0xFFFFU + 2);
    EXPECT_EQ(ToHex(CByteArray(largest.Bytes().begin(), largest.Bytes().begin() + 2)), "FF FF");

    // A record read back leaves what follows it; the base type refuses a record with data.
    CInBinaryString in(Hex("00 07 36 00 00 01 02 84 0B EE"));
    const CSerialMemoryResult read(in);
    EXPECT_EQ(in.Position(), 9);
    EXPECT_EQ(read.GetReturnCode(), 0x0102U);
    CInBinaryString withData(Hex("00 08 30 00 00 00 00 87 05 12"));
    EXPECT_THROW(CSerialMemoryResult{withData}, CPassThruParseError);
}

// A wide frame around a pass-through body.
CByteArray WidePacket(std::uint8_t subCommand, const CByteArray& body) {
    COutBinaryString out;
    out.AppendByte(0x02).SetLengthPrefix(LengthPrefix::OneByte).AppendString("[KEY]");
    out.AppendByte(0x0A).AppendDWord(static_cast<std::uint32_t>(body.size() + 3)).AppendByte(subCommand);
    out.AppendWord(1).SetLengthPrefix(LengthPrefix::None).AppendBytes(body).AppendChecksum();
    return out.TakeBytes();
}

// Only a wide frame can carry more parameter or item bytes than a 16-bit length holds; such a packet
// could not be answered or written back faithfully and is refused.
TEST(SerialMemory, LengthsBeyondSixteenBitsAreRefused) {
    const auto writeMemory = [](std::size_t dataSize) {
        COutBinaryString body;
        body.AppendByte(0x81).AppendByte(0x04).AppendWord(0xFFFF).AppendWord(0x0000).AppendByte(0x0C);
        body.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(CByteArray(dataSize, 0x5A));
        return body.TakeBytes();
    };
    // Address 2, write code 1, length 2: 65530 data bytes fill the 16-bit parameter length exactly.
    const CByteArray largest = test::Parse(WidePacket(0x0D, writeMemory(65530)), true)->GetBody();
    EXPECT_EQ(ToHex(CByteArray(largest.begin(), largest.begin() + 4)), "81 04 FF FF");
    EXPECT_THROW(test::Parse(WidePacket(0x0D, writeMemory(65531)), true), CPassThruParseError);

    const auto bulkItem = [](std::size_t resultSize) {
        COutBinaryString body;
        body.AppendByte(0x81).AppendWord(1).AppendWord(0).AppendByte(0x00).AppendWord(0);
        body.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(CByteArray(resultSize, 0x90));
        return body.TakeBytes();
    };
    // Operation 3 bytes, result prefix 2: 65530 result bytes fill the 16-bit item length exactly.
    const CByteArray full = test::Parse(WidePacket(0x0E, bulkItem(65530)), true)->GetBody();
    EXPECT_EQ(ToHex(CByteArray(full.begin() + 3, full.begin() + 5)), "FF FF");
    EXPECT_THROW(test::Parse(WidePacket(0x0E, bulkItem(65531)), true), CPassThruParseError);
}

}  // namespace
}  // namespace tessaly
