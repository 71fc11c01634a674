#include <gtest/gtest.h>

#include "protocol/BinaryString.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

TEST(InBinaryString, ReadsBigEndianFields) {
    CInBinaryString in(Hex("12 34 56 78 9A BC DE F0 11"));
    EXPECT_EQ(in.ReadByte(), 0x12);
    EXPECT_EQ(in.ReadWord(), 0x3456);
    EXPECT_EQ(in.ReadDWord(), 0x789ABCDEU);
    EXPECT_EQ(in.Position(), 7);
    EXPECT_EQ(in.Remaining(), 2U);
}

struct ShortReadCase {
    const char* data;
    int skip;    // bytes read first with ReadByte
    int width;   // 1, 2 or 4
    int wanted;  // the position reported
};

TEST(InBinaryString, ReadPastEndReportsWantedPositionAfterConsumingWhatWasThere) {
    const ShortReadCase cases[] = {
        {"", 0, 1, 0}, {"01", 1, 1, 1}, {"01", 0, 2, 1}, {"01 02 03", 0, 4, 3}, {"01 02 03", 1, 4, 3},
    };
    for (const ShortReadCase& c : cases) {
        CInBinaryString in(Hex(c.data));
        for (int i = 0; i < c.skip; ++i) {
            in.ReadByte();
        }
        try {
            if (c.width == 1) {
                in.ReadByte();
            } else if (c.width == 2) {
                in.ReadWord();
            } else {
                in.ReadDWord();
            }
            ADD_FAILURE() << "no exception for " << c.data;
        } catch (const CInBinaryStringException& e) {
            EXPECT_EQ(e.position, c.wanted) << c.data;
            EXPECT_EQ(in.Position(), c.wanted) << c.data;
        }
    }
}

TEST(InBinaryString, LengthPrefixedReads) {
    CInBinaryString in(Hex("00 00 03 41 00 42 00 00 00 02 FF EE 01"));
    EXPECT_EQ(in.ReadString(-2), "");
    EXPECT_EQ(in.Position(), 2);
    EXPECT_EQ(in.ReadString(-1), std::string("A\0B", 3));
    CByteArray bytes{9, 9};
    in.ReadBytes(bytes, -4);
    EXPECT_EQ(bytes, Hex("FF EE"));
    EXPECT_EQ(in.ReadString(0), "");
    EXPECT_EQ(in.ReadString(1), "\x01");
}

TEST(InBinaryString, HugeLengthPrefixFailsWithoutReading) {
    CInBinaryString in(Hex("FF FF FF FF 00"));
    CByteArray bytes{1};
    EXPECT_THROW(in.ReadBytes(bytes, -4), CInBinaryStringException);
    EXPECT_TRUE(bytes.empty());
    CInBinaryString negative(Hex("80 00 00 00"));
    EXPECT_THROW(negative.ReadString(-4), CInBinaryStringException);
}

TEST(InBinaryString, VerifyChecksumConsumesTheChecksumByte) {
    CInBinaryString good(Hex("01 02 03 06 77"));
    good.SetPosition(3);
    EXPECT_TRUE(good.VerifyChecksum());
    EXPECT_EQ(good.Position(), 4);
    CInBinaryString bad(Hex("FF 02 00"));
    bad.SetPosition(2);
    EXPECT_FALSE(bad.VerifyChecksum());
    CInBinaryString missing(Hex("01"));
    missing.SetPosition(1);
    EXPECT_THROW(missing.VerifyChecksum(), CInBinaryStringException);
}

TEST(OutBinaryString, PrefixModeStaysUntilSetAndTruncates) {
    COutBinaryString out;
    out.AppendString("A").SetLengthPrefix(LengthPrefix::OneByte).AppendString("BC").AppendBytes(Hex("01"));
    out.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes({}).SetLengthPrefix(LengthPrefix::FourBytes);
    out.AppendString("D");
    EXPECT_EQ(out.Bytes(), Hex("41 02 42 43 01 01 00 00 00 00 00 01 44"));
    COutBinaryString wide;
    wide.SetLengthPrefix(LengthPrefix::OneByte).AppendBytes(CByteArray(257, 0xAA));
    EXPECT_EQ(wide.Bytes()[0], 0x01);  // 257 truncated to its low byte
    EXPECT_EQ(wide.Size(), 258U);
}

TEST(OutBinaryString, ChecksumAndReset) {
    COutBinaryString out;
    out.SetLengthPrefix(LengthPrefix::TwoBytes).AppendWord(0xFFFF).AppendDWord(0x01020304).AppendChecksum();
    EXPECT_EQ(out.Bytes(), Hex("FF FF 01 02 03 04 08"));
    out.Reset();
    EXPECT_TRUE(out.Bytes().empty());
    EXPECT_EQ(out.Prefix(), LengthPrefix::None);
}

}  // namespace
}  // namespace tessaly
