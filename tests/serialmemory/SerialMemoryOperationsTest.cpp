#include <gtest/gtest.h>

#include <set>
#include <string>

#include "protocol/serialmemory/ChipTypes.h"
#include "protocol/serialmemory/Operations.h"
#include "protocol/serialmemory/SerialMemoryCommands.h"
#include "protocol/PassThruErrors.h"
#include "tests/serialmemory/OperationCases.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using test::OperationCase;
using test::OperationCases;
using test::ToHex;

CByteArray BodyOf(const OperationCase& c) {
    CByteArray body{c.chip};
    const CByteArray operation = Hex(c.operation);
    body.insert(body.end(), operation.begin(), operation.end());
    return body;
}

CStringArray ExpectedDescription(const OperationCase& c) {
    CStringArray list{"Command", "Serial Memory Process", "Chip Type", ChipTypeText(c.chip)};
    list.insert(list.end(), c.pairs.begin(), c.pairs.end());
    return list;
}

TEST(SerialMemoryOperations, EveryOperationThroughTheCommand) {
    for (const OperationCase& c : OperationCases()) {
        for (const bool extended : {false, true}) {
            SCOPED_TRACE(testing::Message() << ToHex(BodyOf(c)) << (extended ? " extended" : ""));
            auto response = test::ParseBody(0x0D, BodyOf(c), extended);
            auto* command = dynamic_cast<CRspSerialMemoryProcess*>(response.get());
            ASSERT_NE(command, nullptr);
            EXPECT_EQ(command->GetChipType(), c.chip);
            const auto& operation = command->GetOperation();
            ASSERT_NE(operation, nullptr);
            EXPECT_STREQ(operation->ClassName(), c.className);
            EXPECT_EQ(operation->GetChipType(), c.chip);
            EXPECT_EQ(operation->GetOperationCode(), Hex(c.operation).front());
            EXPECT_EQ(command->GetOperationCode(), Hex(c.operation).front());
            EXPECT_EQ(operation->IsExtended(), extended);
            EXPECT_EQ(operation->GetParamLength(), c.paramLength);
            EXPECT_EQ(command->Describe(), ExpectedDescription(c));
            EXPECT_EQ(command->Describe(), ExpectedDescription(c));  // rebuilt, not appended
            EXPECT_EQ(ToHex(command->GetBody()), ToHex(BodyOf(c)));

            COutBinaryString written;
            operation->Write(written);
            EXPECT_EQ(ToHex(written.Bytes()), ToHex(Hex(c.operation)));
        }
    }
}

TEST(SerialMemoryOperations, CasesCoverEveryClass) {
    std::set<std::string> classes;
    for (const OperationCase& c : OperationCases()) {
        classes.insert(c.className);
    }
    // The base class and the forty operation classes with parameters.
    EXPECT_EQ(classes.size(), 41U);
}

TEST(SerialMemoryOperations, MissingBytesFailThePacket) {
    for (const OperationCase& c : OperationCases()) {
        const CByteArray body = BodyOf(c);
        for (std::size_t size = 0; size < body.size(); ++size) {
            const CByteArray cut(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_THROW(test::ParseBody(0x0D, cut, true), CPassThruParseError) << ToHex(cut);
        }
    }
}

TEST(SerialMemoryOperations, RoundTripThroughAPacket) {
    for (const OperationCase& c : OperationCases()) {
        auto first = test::ParseBody(0x0D, BodyOf(c), true);
        std::uint32_t transaction = 0;
        auto second = test::Parse(test::Reframe(*first, 0x4321), true, &transaction);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(transaction, 0x4321U);
        EXPECT_STREQ(second->ClassName(), "CRspSerialMemoryProcess");
        EXPECT_EQ(second->Describe(), first->Describe()) << c.operation;
        EXPECT_EQ(second->GetBody(), first->GetBody()) << c.operation;
    }
}

TEST(SerialMemoryOperations, ParameterLengthIsRewrittenFromTheParameters) {
    // The received length is dropped; the operation reads its own layout and writes its own length.
    auto command = test::ParseBody(0x0D, Hex("82 07 00 09 10 20 EE EE"), false);
    EXPECT_EQ(ToHex(command->GetBody()), "82 07 00 02 10 20");
    auto plain = test::ParseBody(0x0D, Hex("81 00 12 34"), false);
    EXPECT_EQ(ToHex(plain->GetBody()), "81 00 00 00");
}

TEST(SerialMemoryOperations, FieldsReachTheExecutor) {
    auto response = test::ParseBody(0x0D, Hex("81 04 00 08 01 20 8C 00 03 A1 B2 C3"), false);
    const auto& command = dynamic_cast<const CRspSerialMemoryProcess&>(*response);
    const auto& write = dynamic_cast<const CSmOpWriteMemory4418&>(*command.GetOperation());
    EXPECT_EQ(write.GetAddress(), 0x120U);
    EXPECT_EQ(write.GetWriteCode(), 0x8CU);
    EXPECT_EQ(write.GetData(), Hex("A1 B2 C3"));

    auto auth = test::ParseBody(0x0D, Hex("83 05 00 05 6E 01 AB 00 40"), false);
    const auto& authenticate = dynamic_cast<const CSmOpAuthenticate4436&>(
        *dynamic_cast<const CRspSerialMemoryProcess&>(*auth).GetOperation());
    EXPECT_EQ(authenticate.GetControl(), 0x6EU);
    EXPECT_EQ(authenticate.GetChallenge(), Hex("AB"));
    EXPECT_EQ(authenticate.GetResponseBits(), 0x40U);
}

}  // namespace
}  // namespace tessaly
