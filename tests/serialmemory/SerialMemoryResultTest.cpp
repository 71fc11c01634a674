#include <gtest/gtest.h>

#include <stdexcept>

#include "protocol/serialmemory/SerialMemoryResult.h"
#include "protocol/PassThruErrors.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;

CByteArray Written(const CSerialMemoryResult& result) {
    COutBinaryString out;
    result.Write(out);
    return out.TakeBytes();
}

CStringArray Described(const CSerialMemoryResult& result) {
    CStringArray list;
    result.Describe(list);
    return list;
}

struct WireCase {
    std::uint8_t indicator;
    std::uint32_t returnCode;
    std::uint8_t chip;
    std::uint8_t operation;
    const char* wire;
    CStringArray description;
};

TEST(SerialMemoryResult, WireFormAndDescription) {
    const WireCase cases[] = {
        {0x31,
         0x00000000,
         0x82,
         0x04,
         "00 07 31 00 00 00 00 82 04",
         {"Error Indicator", "Timed Out", "Return Code", "00000000", "Chip Type", "Siemens SLE 4432/4442",
          "Operation", "Write Memory"}},
        {0x30,
         0x00000000,
         0x81,
         0x03,
         "00 07 30 00 00 00 00 81 03",
         {"Error Indicator", "Got Response", "Return Code", "00000000", "Chip Type", "Siemens SLE 4418/4428",
          "Operation", "Verify PSC"}},
        {0x36,
         0x00000000,
         0x88,
         0x0B,
         "00 07 36 00 00 00 00 88 0B",
         {"Error Indicator", "Function is Unavailable", "Return Code", "00000000", "Chip Type",
          "Siemens SLE 4406", "Operation", "Read Bit Address"}},
        {0x35,
         0x1234ABCD,
         0x42,
         0x77,
         "00 07 35 12 34 AB CD 42 77",
         {"Error Indicator", "Unknown Value", "Return Code", "1234abcd", "Chip Type", "Unknown Value",
          "Operation", "Unknown Operation"}},
        {0x30,
         0x00000001,
         0xFF,
         0x01,
         "00 07 30 00 00 00 01 FF 01",
         {"Error Indicator", "Got Response", "Return Code", "00000001", "Chip Type", "Any chip type",
          "Operation", "Eject"}},
    };
    for (const WireCase& c : cases) {
        const CSerialMemoryResult result(c.indicator, c.returnCode, c.chip, c.operation);
        EXPECT_EQ(ToHex(Written(result)), ToHex(Hex(c.wire))) << c.wire;
        EXPECT_EQ(Described(result), c.description) << c.wire;
        EXPECT_EQ(result.GetParamLength(), 7U);
        CByteArray data{1, 2};
        result.GetData(data);
        EXPECT_TRUE(data.empty());
    }
}

TEST(SerialMemoryResult, DescribeAppendsToTheList) {
    CStringArray list{"Command", "Serial Memory Process Acknowledge"};
    CSerialMemoryResult(0x36, 0, 0x00, 0x00).Describe(list);
    const CStringArray expected{"Command",         "Serial Memory Process Acknowledge",
                                "Error Indicator", "Function is Unavailable",
                                "Return Code",     "00000000",
                                "Chip Type",       "No specified type.",
                                "Operation",       "Unknown Operation"};
    EXPECT_EQ(list, expected);
}

struct NameCase {
    std::uint32_t chip;
    std::uint32_t code;
    const char* name;
};

TEST(SerialMemoryResult, OperationNames) {
    const NameCase cases[] = {
        // Any chip, whatever its type.
        {0x00, 0x01, "Eject"},
        {0x81, 0x0D, "Enable Vpp"},
        {0x42, 0x0E, "Disable Vpp"},
        {0x88, 0x0F, "Set Pad"},
        {0xFF, 0x10, "Unknown Operation"},
        {0x85, 0x11, "Enable Rx/Tx"},
        {0x86, 0x13, "Set ETU"},
        {0x87, 0x16, "Delay Msec"},
        {0x83, 0x17, "Delay Time"},
        {0x84, 0x18, "Program Clock"},
        {0x82, 0x19, "Program Vcc"},
        {0x00, 0x1A, "Program Vpp"},
        {0x00, 0x1B, "Unknown Operation"},
        {0x00, 0x02, "Unknown Operation"},
        {0xFF, 0x00, "Unknown Operation"},
        // 0x81
        {0x81, 0x00, "Unknown Operation"},
        {0x81, 0x02, "Change PSC"},
        {0x81, 0x03, "Verify PSC"},
        {0x81, 0x04, "Write Memory"},
        {0x81, 0x07, "Unknown Operation"},
        // 0x82
        {0x82, 0x02, "Verification"},
        {0x82, 0x03, "Unknown Operation"},
        {0x82, 0x04, "Write Memory"},
        {0x82, 0x05, "Write Protection"},
        {0x82, 0x06, "Write Security"},
        {0x82, 0x07, "Unknown Operation"},
        // 0x83 and 0x88 share their names.
        {0x83, 0x02, "Address Reset"},
        {0x88, 0x03, "Increment Address"},
        {0x83, 0x04, "Present Transport Code"},
        {0x83, 0x05, "Unknown Operation"},
        {0x88, 0x06, "Erase Bit With Carry"},
        {0x83, 0x07, "Write Bit"},
        {0x88, 0x08, "Write Bit Address"},
        {0x83, 0x09, "Write Bit Increment Address"},
        {0x88, 0x0A, "Read Bit"},
        {0x83, 0x0B, "Read Bit Address"},
        {0x88, 0x0C, "Read Bit Increment Address"},
        {0x88, 0x00, "Unknown Operation"},
        // 0x84
        {0x84, 0x00, "Reset Card"},
        {0x84, 0x02, "Address Reset"},
        {0x84, 0x03, "Increment Address"},
        {0x84, 0x04, "Present Code"},
        {0x84, 0x05, "Erase Words"},
        {0x84, 0x06, "Write Bit 200ms"},
        {0x84, 0x07, "Write Bytes"},
        {0x84, 0x08, "Unknown Operation"},
        {0x84, 0x0B, "Set Write Delay"},
        // 0x85
        {0x85, 0x00, "Reset Card"},
        {0x85, 0x02, "Increment to Address"},
        {0x85, 0x03, "Write Bytes"},
        {0x85, 0x04, "Write Byte"},
        {0x85, 0x05, "Unknown Operation"},
        {0x85, 0x07, "Initialize"},
        // 0x86
        {0x86, 0x00, "Unknown Operation"},
        {0x86, 0x02, "Address Reset"},
        {0x86, 0x03, "Increment Address"},
        {0x86, 0x04, "Present Transport Code"},
        {0x86, 0x05, "Program Bit"},
        {0x86, 0x06, "Read Bit"},
        {0x86, 0x09, "Blow Configuration Fuse"},
        {0x86, 0x0A, "Check Configuration Fuse"},
        // 0x87
        {0x87, 0x00, "Reset Card"},
        {0x87, 0x02, "Write Byte"},
        {0x87, 0x03, "Multi-Byte Write"},
        {0x87, 0x04, "Page Write"},
        {0x87, 0x05, "Unknown Operation"},
    };
    for (const NameCase& c : cases) {
        EXPECT_STREQ(ResultOperationName(c.chip, c.code), c.name) << std::hex << c.chip << " " << c.code;
        const CSerialMemoryResult result(0x30, 0, static_cast<std::uint8_t>(c.chip),
                                         static_cast<std::uint8_t>(c.code));
        EXPECT_EQ(Described(result).at(7), c.name);
    }
}

TEST(SerialMemoryDataResult, DataTravelsOnlyAfterSuccess) {
    const CSerialMemoryDataResult success(0x30, 0, 0x81, 0x07, Hex("A1 B2 C3"));
    EXPECT_EQ(success.GetParamLength(), 10U);
    EXPECT_EQ(ToHex(Written(success)), "00 0A 30 00 00 00 00 81 07 A1 B2 C3");
    CByteArray data;
    success.GetData(data);
    EXPECT_EQ(data, Hex("A1 B2 C3"));
    EXPECT_EQ(Described(success),
              (CStringArray{"Error Indicator", "Got Response", "Return Code", "00000000", "Chip Type",
                            "Siemens SLE 4418/4428", "Operation", "Unknown Operation", "Data", "A1B2C3"}));

    // A failed operation writes the plain record, whatever data the result holds.
    const CSerialMemoryDataResult failed(0x30, 0x6A82, 0x81, 0x07, Hex("A1 B2 C3"));
    EXPECT_EQ(ToHex(Written(failed)), "00 07 30 00 00 6A 82 81 07");
    EXPECT_EQ(Described(failed).size(), 8U);
    const CSerialMemoryDataResult timedOut(0x31, 0, 0x81, 0x07, Hex("A1"));
    EXPECT_EQ(ToHex(Written(timedOut)), "00 07 31 00 00 00 00 81 07");

    const CSerialMemoryDataResult empty(0x30, 0, 0x81, 0x07, {});
    EXPECT_EQ(ToHex(Written(empty)), "00 07 30 00 00 00 00 81 07");
    // Read back it is a plain record: the sender describes it the same, without a data line.
    EXPECT_EQ(Described(empty).size(), 8U);
}

TEST(SerialMemoryDataResult, WritingKeepsTheCallersPrefixMode) {
    COutBinaryString out;
    out.SetLengthPrefix(LengthPrefix::TwoBytes);
    CSerialMemoryDataResult(0x30, 0, 0x85, 0x06, Hex("55")).Write(out);
    EXPECT_EQ(out.Prefix(), LengthPrefix::TwoBytes);
    EXPECT_EQ(ToHex(out.Bytes()), "00 08 30 00 00 00 00 85 06 55");
}

TEST(SerialMemoryDataResult, RefusesDataThatItsLengthCannotHold) {
    EXPECT_NO_THROW(
        CSerialMemoryDataResult(0x30, 0, 0x81, 0x07, CByteArray(CSerialMemoryDataResult::kMaxData)));
    EXPECT_THROW(
        CSerialMemoryDataResult(0x30, 0, 0x81, 0x07, CByteArray(CSerialMemoryDataResult::kMaxData + 1)),
        std::length_error);
    const CSerialMemoryDataResult largest(0x30, 0, 0x81, 0x07, CByteArray(CSerialMemoryDataResult::kMaxData));
    const CByteArray wire = Written(largest);
    EXPECT_EQ(wire.size(), 0xFFFFU + 2);
    EXPECT_EQ(wire[0], 0xFF);
    EXPECT_EQ(wire[1], 0xFF);
}

TEST(SerialMemoryResult, ReadsARecordBack) {
    CInBinaryString in(Hex("00 07 36 00 00 01 02 84 0B EE"));
    const CSerialMemoryResult result(in);
    EXPECT_EQ(result.GetErrorIndicator(), 0x36);
    EXPECT_EQ(result.GetReturnCode(), 0x0102U);
    EXPECT_EQ(result.GetChipType(), 0x84);
    EXPECT_EQ(result.GetOperationCode(), 0x0B);
    EXPECT_EQ(in.Position(), 9);  // the byte after the record is not consumed
    EXPECT_EQ(ToHex(Written(result)), "00 07 36 00 00 01 02 84 0B");
}

TEST(SerialMemoryResult, ReadPicksTheTypeThatHoldsTheData) {
    CInBinaryString in(Hex("00 09 30 00 00 00 00 87 05 12 34 00 07 31 00 00 00 00 87 05"));
    const CRCPtr<CSerialMemoryResult> first = CSerialMemoryResult::Read(in);
    const CRCPtr<CSerialMemoryResult> second = CSerialMemoryResult::Read(in);
    ASSERT_NE(dynamic_cast<const CSerialMemoryDataResult*>(first.get()), nullptr);
    CByteArray data;
    first->GetData(data);
    EXPECT_EQ(data, Hex("12 34"));
    EXPECT_EQ(ToHex(Written(*first)), "00 09 30 00 00 00 00 87 05 12 34");
    EXPECT_EQ(dynamic_cast<const CSerialMemoryDataResult*>(second.get()), nullptr);
    EXPECT_EQ(ToHex(Written(*second)), "00 07 31 00 00 00 00 87 05");
    EXPECT_EQ(in.Remaining(), 0U);

    CInBinaryString again(Hex("00 09 30 00 00 00 00 87 05 12 34"));
    const CSerialMemoryDataResult direct(again);
    EXPECT_EQ(direct.Data(), Hex("12 34"));
}

TEST(SerialMemoryResult, RejectsRecordsItCannotHold) {
    // The base type carries no data: it refuses a record with data instead of dropping it.
    CInBinaryString withData(Hex("00 08 30 00 00 00 00 87 05 12"));
    EXPECT_THROW(CSerialMemoryResult{withData}, CPassThruParseError);
    // A length below the fixed fields, or data after a failure, is corrupt.
    const char* corrupt[] = {
        "00 06 30 00 00 00 00 87 05",
        "00 00 31 00 00 00 00 87 05",
        "00 08 31 00 00 00 00 87 05 12",
        "00 08 30 00 00 00 01 87 05 12",
    };
    for (const char* wire : corrupt) {
        CInBinaryString in(Hex(wire));
        EXPECT_THROW(CSerialMemoryResult::Read(in), CPassThruParseError) << wire;
    }
}

TEST(SerialMemoryResult, MissingBytesThrowTheReadError) {
    const CByteArray whole = Hex("00 09 30 00 00 00 00 87 05 12 34");
    for (std::size_t size = 0; size < whole.size(); ++size) {
        CInBinaryString in(CByteArray(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
        EXPECT_THROW(CSerialMemoryResult::Read(in), CInBinaryStringException) << size;
    }
}

}  // namespace
}  // namespace tessaly
