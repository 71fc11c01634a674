// What the contactless reader decides before it sends anything: these need no reader.
#include <gtest/gtest.h>

#include "cardaccess/ScmContactlessReader.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

class ContactlessLogic : public ::testing::Test {
protected:
    // Direct query: no monitor thread; never connected.
    CScmContactlessReader reader{"Nowhere 00 00", true};
    CByteArray response{0xEE};
};

TEST_F(ContactlessLogic, SectorOfBlockFollowsTheFourKLayout) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {0, 0},    {3, 0},    {4, 1},    {127, 31}, {128, 32},   {143, 32},
        {144, 33}, {200, 36}, {255, 39}, {256, 0},  {0x1C8, 36}, {0xFFFFFF7F, 31},
    };
    for (const auto& [block, sector] : cases) {
        EXPECT_EQ(CScmContactlessReader::SectorOfBlock(block), sector) << block;
    }
}

TEST_F(ContactlessLogic, AuthenticateWithoutKeys) {
    EXPECT_EQ(reader.Authenticate(4, CScmContactlessReader::kKeyA), 0x87);
    EXPECT_EQ(reader.GetLastResult(), 0xF0000004U);
    EXPECT_EQ(reader.GetLastErrorText(), "f0000004 -- keys have not been set.");
}

TEST_F(ContactlessLogic, AuthenticateNeedsTheKeysOfTheBlocksSector) {
    // Block 200 is in sector 36: 37 key records of 12 bytes.
    reader.SetKeys(CByteArray(443, 0xFF));
    EXPECT_EQ(reader.Authenticate(200, CScmContactlessReader::kKeyB), 0x87);
    EXPECT_EQ(reader.GetLastResult(), 0xF0000001U);
    EXPECT_EQ(reader.GetLastErrorText(),
              "f0000001 -- block number is too great, or keys length is insufficient.");
    reader.SetKeys(CByteArray(12, 0xFF));
    EXPECT_EQ(reader.Authenticate(4, CScmContactlessReader::kKeyA), 0x87);
    EXPECT_EQ(reader.GetLastResult(), 0xF0000001U);
}

TEST_F(ContactlessLogic, WriteFirstPhaseAnswersAcknowledgeAndWaitsForData) {
    EXPECT_EQ(reader.ExecuteMemoryCommand(Hex("A0 05"), response), 0);
    EXPECT_EQ(response, Hex("0A"));
    EXPECT_EQ(reader.GetLastResult(), 0U);
    EXPECT_TRUE(reader.IsWritePending());
    EXPECT_EQ(reader.GetPendingBlock(), 5);
}

TEST_F(ContactlessLogic, PendingWriteGivenFifteenBytesFailsAndIsForgotten) {
    reader.ExecuteMemoryCommand(Hex("A0 05"), response);
    EXPECT_EQ(reader.ExecuteMemoryCommand(CByteArray(15, 0x11), response), 0x87);
    EXPECT_TRUE(response.empty());
    EXPECT_EQ(reader.GetLastResult(), 0xF0000002U);
    EXPECT_EQ(reader.GetLastErrorText(),
              "f0000002 -- did not recieve 16 data bytes expected for pending write.");
    EXPECT_FALSE(reader.IsWritePending());
    EXPECT_EQ(reader.GetPendingBlock(), 0);
    // The next 2-byte command is a command again, not write data.
    EXPECT_EQ(reader.ExecuteMemoryCommand(Hex("A0 06"), response), 0);
    EXPECT_EQ(reader.GetPendingBlock(), 6);
}

TEST_F(ContactlessLogic, UnknownMemoryCommandsAreRefused) {
    for (const char* command : {"", "30", "31 04", "A0 05 00", "30 04 00", "60 04"}) {
        EXPECT_EQ(reader.ExecuteMemoryCommand(Hex(command), response), 0x87) << command;
        EXPECT_EQ(reader.GetLastResult(), 0xF0000003U) << command;
        EXPECT_TRUE(response.empty());
        EXPECT_FALSE(reader.IsWritePending());
    }
}

TEST_F(ContactlessLogic, ResetTransmissionSettingsForgetsKeysAndPendingWrite) {
    reader.SetKeys(CByteArray(24, 0xA5));
    reader.SetGetResponseClass(-1);
    reader.SetApduLevel(false);
    reader.ExecuteMemoryCommand(Hex("A0 09"), response);
    reader.ResetTransmissionSettings();
    EXPECT_TRUE(reader.GetKeys().empty());
    EXPECT_FALSE(reader.IsWritePending());
    EXPECT_EQ(reader.GetPendingBlock(), 0);
    EXPECT_EQ(reader.GetGetResponseClass(), 0);
    EXPECT_TRUE(reader.GetApduLevel());
}

TEST_F(ContactlessLogic, ResetResponsesOfMemoryAndOtherCards) {
    EXPECT_EQ(reader.GetMifareResetResponse(response), 0);
    EXPECT_EQ(response, Hex("00 00 00 00"));
    EXPECT_EQ(reader.GetDefaultResetResponse(response), 0);
    EXPECT_EQ(response, Hex("00 00 00"));
    EXPECT_EQ(reader.GetLastResult(), 0U);
}

TEST_F(ContactlessLogic, TransparentExchangeRefusesWhatItsLengthByteCannotCarry) {
    EXPECT_EQ(reader.ExchangeContactless(0x35, CByteArray(256, 0x00), response), 0x91);
    EXPECT_EQ(reader.GetLastResult(), 0x91U);
    EXPECT_TRUE(response.empty());
}

TEST_F(ContactlessLogic, OverlongCommandRecordIsRefusedBeforeSending) {
    CCommandRecord record;
    record.length = 257;
    record.caseByte = 0x34;
    EXPECT_EQ(reader.TransmitRecord(record, response), 0x89);
    EXPECT_EQ(reader.GetLastResult(), 0x89U);
    EXPECT_TRUE(response.empty());
}

TEST_F(ContactlessLogic, ConstructionDefaults) {
    EXPECT_EQ(reader.GetReaderName(), "Nowhere 00 00");
    EXPECT_EQ(reader.GetLastResult(), 0U);
    EXPECT_FALSE(reader.IsConnected());
    EXPECT_EQ(reader.GetGetResponseClass(), 0);
    EXPECT_TRUE(reader.GetApduLevel());
    EXPECT_TRUE(reader.GetKeys().empty());
    EXPECT_FALSE(reader.IsWritePending());
}

}  // namespace
}  // namespace tessaly
