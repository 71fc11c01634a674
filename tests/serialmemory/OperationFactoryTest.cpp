#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <vector>

#include "protocol/serialmemory/OperationFactory.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

struct Row {
    std::uint8_t code;
    const char* className;
    const char* name;
};

constexpr const char* kPlain = "CSerialMemoryOperation";

// Every chip type takes these.
const Row kGenericRows[] = {
    {0x01, kPlain, "Eject Card"},
    {0x0D, "CSmOpEnableVPP", "Enable VPP"},
    {0x0E, kPlain, "Disable Vpp"},
    {0x0F, "CSmOpSetPad", "Set Pad"},
    {0x10, "CSmOpReadPad", "Read Pad"},
    {0x11, "CSmOpEnableRxTx", "Enable Rx/Tx"},
    {0x13, "CSmOpSetEtu", "Set ETU"},
    {0x16, "CSmOpDelayMsec", "Delay Msec"},
    {0x17, "CSmOpDelayTime", "Delay Time"},
    {0x18, "CSmOpProgramClock", "Program Clock"},
    {0x19, "CSmOpProgramVcc", "Program Vcc"},
    {0x1A, "CSmOpProgramVpp", "Program Vpp"},
};

const std::map<std::uint8_t, std::vector<Row>> kChipRows = {
    {0x81,
     {{0x00, kPlain, "Reset Card"},
      {0x02, "CSmOpChgPsc4418", "Change PIN"},
      {0x03, "CSmOpVerifyPsc4418", "Verify PIN"},
      {0x04, "CSmOpWriteMemory4418", "Write Memory"},
      {0x07, "CSmOpReadMemory4418", "Read Memory"}}},
    {0x82,
     {{0x00, kPlain, "Reset Card"},
      {0x02, "CSmOpVerification4432", "Verification"},
      {0x04, "CSmOpWriteBytes4432_896_256", "Write Bytes 4432"},
      {0x05, "CSmOpWriteProtection4432", "Write Protection"},
      {0x06, "CSmOpWriteSecurity4432", "Write Security"},
      {0x07, "CSmOpReadBytes4432_896_256", "Read Bytes 4432"},
      {0x08, kPlain, "Read Protection"},
      {0x09, kPlain, "Read Security"}}},
    {0x83,
     {{0x00, kPlain, "Reset Card"},
      {0x02, kPlain, "Address Reset"},
      {0x03, kPlain, "Increment Address"},
      {0x04, "CSmOpPresentTransportCode4436_4406", "Present Transport Code"},
      {0x05, "CSmOpAuthenticate4436", "Authenticate"},
      {0x06, "CSmOpAddress4436_4406", "Erase Bit With Carry"},
      {0x07, kPlain, "Write Bit"},
      {0x08, "CSmOpAddress4436_4406", "Write Bit Address"},
      {0x09, kPlain, "Write Bit Increment Address"},
      {0x0A, kPlain, "Read Bit"},
      {0x0B, "CSmOpAddress4436_4406", "Read Bit Address"},
      {0x0C, kPlain, "Read Bit Increment Address"}}},
    {0x84,
     {{0x00, kPlain, "Reset Card"},
      {0x02, kPlain, "Address Reset"},
      {0x03, kPlain, "Increment Address"},
      {0x04, "CSmOpPresentCode896", "Present Code"},
      {0x05, "CSmOpEraseWords896", "Erase Words"},
      {0x06, kPlain, "Write Bit 200MS"},
      {0x07, "CSmOpWriteBytes4432_896_256", "Write Bytes 896"},
      {0x08, "CSmOpReadBytes4432_896_256", "Read Bytes 896"},
      {0x0B, "CSmOpSetWriteDelay896", "Set Write Delay"}}},
    {0x85,
     {{0x00, kPlain, "Reset Card"},
      {0x02, "CSmOpIncToAddr256", "Increment To Address"},
      {0x03, "CSmOpWriteBytes4432_896_256", "Write Bytes 256"},
      {0x04, "CSmOpWriteByte256", "Write Byte"},
      {0x05, "CSmOpReadBytes4432_896_256", "Read Bytes 256"},
      {0x06, kPlain, "Read Byte"},
      {0x07, kPlain, "Initialize"}}},
    {0x86,
     {{0x00, "CSmOpResetST133X", "Reset"},
      {0x02, "CSmOpAddrResetST133X", "Address Reset"},
      {0x03, "CSmOpIncAddrST133X", "Increment Address"},
      {0x04, "CSmOpPresentTransportCodeST133X", "Present Transport Code"},
      {0x05, "CSmOpProgramBitST133X", "Program Bit"},
      {0x06, kPlain, "Read Bit"},
      {0x09, "CSmOpBlowCfgFuseST133X", "Blow Configuration Fuse"},
      {0x0A, "CSmOpCheckCfgFuseST133X", "Check Config Fuse"}}},
    {0x87,
     {{0x00, kPlain, "Reset Card"},
      {0x02, "CSmOpWriteByteST14C02C", "Write Byte"},
      {0x03, "CSmOpMultiByteWriteST14C02C", "Multi Byte Write"},
      {0x04, "CSmOpPageWriteST14C02C", "Page Write"},
      {0x05, "CSmOpReadBytesST14C02C", "Read Bytes"},
      {0x06, kPlain, "Read Byte"},
      {0x07, "CSmOpReadByteAddrST14C02C", "Read Byte Address"},
      {0x08, "CSmOpReadBytesAddrST14C02C", "Read Bytes address"}}},
    {0x88,
     {{0x00, kPlain, "Reset Card"},
      {0x02, kPlain, "Address Reset"},
      {0x03, kPlain, "Increment Address"},
      {0x04, "CSmOpPresentTransportCode4436_4406", "Present Transport Code"},
      {0x06, "CSmOpAddress4436_4406", "Erase Bit With Carry"},
      {0x07, kPlain, "Write Bit"},
      {0x08, "CSmOpAddress4436_4406", "Write Bit Address"},
      {0x09, kPlain, "Write Bit Increment Address"},
      {0x0A, kPlain, "Read Bit"},
      {0x0B, "CSmOpAddress4436_4406", "Read Bit Address"},
      {0x0C, kPlain, "Read Bit Increment Address"}}},
};

const Row* Expected(std::uint8_t chip, std::uint8_t code) {
    for (const Row& row : kGenericRows) {
        if (row.code == code) {
            return &row;
        }
    }
    const auto rows = kChipRows.find(chip);
    if (rows == kChipRows.end()) {
        return nullptr;
    }
    for (const Row& row : rows->second) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

// Every chip type with every code: which class, under which name, or none.
TEST(OperationFactory, EveryChipAndCode) {
    const std::uint8_t chips[] = {0x00, 0x01, 0x42, 0x80, 0x81, 0x82, 0x83, 0x84,
                                  0x85, 0x86, 0x87, 0x88, 0x89, 0xC0, 0xFE, 0xFF};
    int made = 0;
    for (const std::uint8_t chip : chips) {
        for (int code = 0; code <= 0xFF; ++code) {
            // Code, a parameter length, and zeros enough for every layout.
            CByteArray bytes{static_cast<std::uint8_t>(code), 0x00, 0x00};
            bytes.resize(bytes.size() + 16, 0x00);
            CInBinaryString in(bytes);
            const auto operation = CreateOperation(chip, in, true);
            const Row* expected = Expected(chip, static_cast<std::uint8_t>(code));
            SCOPED_TRACE(testing::Message() << std::hex << "chip " << int{chip} << " code " << code);
            if (expected == nullptr) {
                EXPECT_EQ(operation, nullptr) << operation->ClassName();
                EXPECT_EQ(in.Position(), 3);  // nothing after the length is read
                continue;
            }
            ASSERT_NE(operation, nullptr);
            ++made;
            EXPECT_STREQ(operation->ClassName(), expected->className);
            CStringArray name;
            operation->DescribeName(name);
            EXPECT_EQ(name, CStringArray{expected->name});
            EXPECT_EQ(operation->GetChipType(), chip);
            EXPECT_EQ(operation->GetOperationCode(), code);
            EXPECT_TRUE(operation->IsExtended());
            // The parameters read are the parameters the operation counts and writes.
            EXPECT_EQ(static_cast<std::uint32_t>(in.Position()), 3 + operation->GetParamLength());
        }
    }
    // The generic codes for each chip type, and each chip's own rows.
    std::size_t chipRows = 0;
    for (const auto& [chip, rows] : kChipRows) {
        chipRows += rows.size();
    }
    EXPECT_EQ(chipRows, 68U);
    EXPECT_EQ(static_cast<std::size_t>(made), std::size(kGenericRows) * std::size(chips) + chipRows);
}

TEST(OperationFactory, PlainOperationNames) {
    EXPECT_STREQ(PlainOperationName(0x00, 0x01), "Eject Card");
    EXPECT_STREQ(PlainOperationName(0x42, 0x0E), "Disable Vpp");
    EXPECT_STREQ(PlainOperationName(0x85, 0x07), "Initialize");
    EXPECT_STREQ(PlainOperationName(0x84, 0x06), "Write Bit 200MS");
    // Combinations that are no plain operation.
    EXPECT_STREQ(PlainOperationName(0x81, 0x07), "Unknown Operation");  // has parameters
    EXPECT_STREQ(PlainOperationName(0x86, 0x00), "Unknown Operation");  // the ST133x reset has a card type
    EXPECT_STREQ(PlainOperationName(0xFF, 0x00), "Unknown Operation");
    EXPECT_STREQ(PlainOperationName(0x81, 0x08), "Unknown Operation");
    // The base class named by a combination the factory would not make.
    const CSerialMemoryOperation stray(0x81, 0x0C, false);
    CStringArray list;
    stray.Describe(list);
    EXPECT_EQ(list, (CStringArray{"Operation", "Unknown Operation"}));
    COutBinaryString out;
    stray.Write(out);
    EXPECT_EQ(out.Bytes(), test::Hex("0C 00 00"));
    EXPECT_EQ(stray.GetParamLength(), 0U);
}

TEST(OperationFactory, MissingCodeOrLengthIsAReadError) {
    for (const char* bytes : {"", "01", "01 00"}) {
        CInBinaryString in(test::Hex(bytes));
        EXPECT_THROW(CreateOperation(0x81, in, false), CInBinaryStringException) << bytes;
    }
}

}  // namespace
}  // namespace tessaly
