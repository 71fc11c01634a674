#include <gtest/gtest.h>

#include <cmath>

#include "cardaccess/AnswerToSelect.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

struct RejectedAts {
    const char* ats;
    bool withCrc;
    const char* message;
};

TEST(AnswerToSelect, RejectsEveryMalformedAtsWithItsMessage) {
    const RejectedAts cases[] = {
        {"", false, "The ATS [] is too short."},
        {"05 78", false, "The TL value 0x05 is inconsistent with the length of ATS [0578]."},
        {"02 00", true, "The ATS [0200] is too short."},
        {"05 78 80 70", false, "The TL value 0x05 is inconsistent with the length of ATS [05788070]."},
        {"03 00 00 00", false, "The TL value 0x03 is inconsistent with the length of ATS [03000000]."},
        {"05 78 80 70 02", true, "The TL value 0x05 is inconsistent with the length of ATS [0578807002]."},
        {"03 00 00 AA BB CC", true,
         "The TL value 0x03 is inconsistent with the length of ATS [030000AABBCC]."},
        {"03 80 00", false, "Invalid T0 value 0x80 in ATS [038000]."},
        {"03 F1 00 AA BB", true, "Invalid T0 value 0xF1 in ATS [03F100AABB]."},
        {"03 18 08", false, "Invalid TA(1) value 0x08 in ATS [031808]."},
        {"04 50 FF 00", false, "Invalid TA(1) value 0xFF in ATS [0450FF00]."},
        {"03 40 04", false, "Invalid TC(1) value 0x04 in ATS [034004]."},
        {"05 78 80 70 FF", false, "Invalid TC(1) value 0xFF in ATS [05788070FF]."},
        // The format byte announces more interface bytes than TL leaves room for: the CRC bytes
        // that follow are not interface bytes, so this is an invalid T0, not a longer read.
        {"03 70 11", false, "Invalid T0 value 0x70 in ATS [037011]."},
        {"03 70 11 22 33", true, "Invalid T0 value 0x70 in ATS [0370112233]."},
        {"02 10 AA BB", true, "Invalid T0 value 0x10 in ATS [0210AABB]."},
    };
    for (const RejectedAts& c : cases) {
        CAnswerToSelect ats(c.withCrc);
        try {
            ats.Parse(Hex(c.ats));
            ADD_FAILURE() << "accepted " << c.ats;
        } catch (const CAnswerToSelect::CInvalidAts& error) {
            EXPECT_EQ(error.GetMessage(), c.message) << c.ats;
        }
    }
}

TEST(AnswerToSelect, ReadsInterfaceBytesAndFrameWaitingTime) {
    CAnswerToSelect ats(false);
    ats.Parse(Hex("05 78 80 70 02"));
    EXPECT_EQ(ats.GetTL(), 5);
    EXPECT_EQ(ats.GetT0(), 0x78);
    EXPECT_EQ(ats.GetTA1(), 0x80);
    EXPECT_EQ(ats.GetTB1(), 0x70);
    EXPECT_EQ(ats.GetTC1(), 0x02);
    EXPECT_EQ(ats.GetHistoricalCount(), 0);
    EXPECT_EQ(ats.GetHistoricalStart(), 5);
    EXPECT_EQ(ats.GetBytes(), Hex("05 78 80 70 02"));
    EXPECT_EQ(ats.GetFrameWaitingTimeInteger(), 7);
    EXPECT_DOUBLE_EQ(ats.GetFrameWaitingTime(), 128.0 * 4096.0 / 13.56);
    EXPECT_NEAR(ats.GetFrameWaitingTime(), 38664.0, 1.0);
}

struct AcceptedAts {
    const char* ats;
    bool withCrc;
    int t0, ta1, tb1, tc1;
    int historicalStart, historicalCount;
    std::uint8_t fwi;
};

TEST(AnswerToSelect, AbsentBytesStayMinusOneAndHistoricalBytesFollowTheLastPresentOne) {
    const AcceptedAts cases[] = {
        {"04 10 80 41", false, 0x10, 0x80, -1, -1, 3, 1, 4},
        {"04 20 A1 41", false, 0x20, -1, 0xA1, -1, 3, 1, 10},
        {"05 60 E0 03 41", false, 0x60, -1, 0xE0, 0x03, 4, 1, 14},
        {"0A 78 80 70 02 4C 41 42 31 30", false, 0x78, 0x80, 0x70, 0x02, 5, 5, 7},
        {"03 05 41", false, 0x05, -1, -1, -1, 2, 1, 4},
        {"03 00 41", false, 0x00, -1, -1, -1, 2, 1, 4},
        {"02 00 AA BB", true, 0x00, -1, -1, -1, 2, 0, 4},
        {"01 AA BB", true, -1, -1, -1, -1, 0, 0, 4},
        {"05 78 80 70 02 AA BB", true, 0x78, 0x80, 0x70, 0x02, 5, 0, 7},
    };
    for (const AcceptedAts& c : cases) {
        CAnswerToSelect ats(c.withCrc);
        ASSERT_NO_THROW(ats.Parse(Hex(c.ats))) << c.ats;
        EXPECT_EQ(ats.GetT0(), c.t0) << c.ats;
        EXPECT_EQ(ats.GetTA1(), c.ta1) << c.ats;
        EXPECT_EQ(ats.GetTB1(), c.tb1) << c.ats;
        EXPECT_EQ(ats.GetTC1(), c.tc1) << c.ats;
        EXPECT_EQ(ats.GetHistoricalStart(), c.historicalStart) << c.ats;
        EXPECT_EQ(ats.GetHistoricalCount(), c.historicalCount) << c.ats;
        EXPECT_EQ(ats.GetFrameWaitingTimeInteger(), c.fwi) << c.ats;
        EXPECT_DOUBLE_EQ(ats.GetFrameWaitingTime(), std::pow(2.0, c.fwi) * 4096.0 / 13.56) << c.ats;
    }
}

TEST(AnswerToSelect, CrcBytesAreTheTwoAfterTheAts) {
    CAnswerToSelect ats(true);
    EXPECT_TRUE(ats.HasCrc());
    ats.Parse(Hex("05 78 80 70 02 AA BB"));
    EXPECT_EQ(ats.GetCrc1(), 0xAA);
    EXPECT_EQ(ats.GetCrc2(), 0xBB);
    EXPECT_EQ(ats.GetTL(), 5);
}

TEST(AnswerToSelect, AFailedParseLeavesNoFieldOfTheEarlierOne) {
    CAnswerToSelect ats(false);
    ats.Parse(Hex("0A 78 80 70 02 4C 41 42 31 30"));
    EXPECT_THROW(ats.Parse(Hex("03 80 00")), CAnswerToSelect::CInvalidAts);
    EXPECT_EQ(ats.GetT0(), -1);
    EXPECT_EQ(ats.GetTB1(), -1);
    EXPECT_EQ(ats.GetHistoricalCount(), 0);
    EXPECT_EQ(ats.GetTL(), 0x03);
    EXPECT_EQ(ats.GetBytes(), Hex("03 80 00"));
    EXPECT_EQ(ats.GetFrameWaitingTimeInteger(), 4);
}

TEST(AnswerToSelect, TheExceptionKeepsItsMessageWhenCopied) {
    CAnswerToSelect ats(false);
    try {
        ats.Parse(Hex("03 40 07"));
        FAIL() << "accepted";
    } catch (const CAnswerToSelect::CInvalidAts& error) {
        CAnswerToSelect::CInvalidAts copy("other");
        copy = error;
        EXPECT_EQ(copy.GetMessage(), "Invalid TC(1) value 0x07 in ATS [034007].");
        EXPECT_EQ(error.GetMessage(), copy.GetMessage());
    }
}

TEST(AnswerToSelect, ANullPointerIsAnEmptyAts) {
    CAnswerToSelect ats(false);
    try {
        ats.Parse(nullptr, 5);
        FAIL() << "accepted";
    } catch (const CAnswerToSelect::CInvalidAts& error) {
        EXPECT_EQ(error.GetMessage(), "The ATS [] is too short.");
    }
}

}  // namespace
}  // namespace tessaly
