// Command exchange of the PC/SC reader under T=0 and T=1, against cards in the virtual card lab:
// what each path sends, byte for byte, and what it returns.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

#include "cardaccess/PcscReader.h"
#include "lab/IsoCard.h"
#include "tests/support/LabGTest.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using lab::CLabEnvironment;
using test::Hex;

std::shared_ptr<lab::CIsoCard> g_t0Card;
std::shared_ptr<lab::CIsoCard> g_t1Card;

// The 28-byte FCI of the application named 3F 00 (behind 61 1C under T=0).
CByteArray Fci() {
    CByteArray fci{0x6F, 0x1A};
    for (std::uint8_t i = 0; i < 26; ++i) {
        fci.push_back(i);
    }
    return fci;
}

void PrepareLab(lab::CLab& lab) {
    g_t0Card = lab::MakeContactCard(lab::Transport::T0);
    g_t1Card = lab::MakeContactCard(lab::Transport::T1);
    g_t0Card->AddApplication({0x3F, 0x00}, Fci());
    g_t1Card->AddApplication({0x3F, 0x00}, Fci());
    lab.InsertAll({{lab.ReaderName(0, 0), g_t0Card}, {lab.ReaderName(0, 1), g_t1Card}});
}

class TransmitTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESSALY_NEED_LAB();
        for (const auto& card : {g_t0Card, g_t1Card}) {
            card->ClearAnswers();
        }
        t0 = std::make_unique<CPcscReader>(CLabEnvironment::Lab()->ReaderName(0, 0), true);
        t1 = std::make_unique<CPcscReader>(CLabEnvironment::Lab()->ReaderName(0, 1), true);
        ASSERT_EQ(t0->Connect(), 0) << t0->GetLastErrorText();
        ASSERT_EQ(t1->Connect(), 0) << t1->GetLastErrorText();
        g_t0Card->ClearRecord();
        g_t1Card->ClearRecord();
    }

    // Runs one command; the response is kept in `response`.
    std::uint8_t Run(CPcscReader& reader, std::uint8_t caseByte, const char* command) {
        return reader.Transmit(caseByte, Hex(command), response);
    }

    static std::vector<CByteArray> Sent(const std::shared_ptr<lab::CIsoCard>& card) {
        return card->Commands();
    }

    std::unique_ptr<CPcscReader> t0;
    std::unique_ptr<CPcscReader> t1;
    CByteArray response;
};

CByteArray WithSw(CByteArray data, std::uint8_t sw1, std::uint8_t sw2) {
    data.push_back(sw1);
    data.push_back(sw2);
    return data;
}

TEST_F(TransmitTest, ProtocolsFollowTheAtr) {
    CByteArray atr;
    EXPECT_EQ(t0->GetAtr(atr), 0);
    EXPECT_EQ(atr, Hex("3B 02 14 50"));
    EXPECT_EQ(t1->GetAtr(atr), 0);
    EXPECT_EQ(atr, Hex("3B 80 80 01 01"));
    EXPECT_TRUE(t0->IsConnected());
}

TEST_F(TransmitTest, T0Case4DropsLeAndFetchesTheAnswerAnnouncedBy61) {
    EXPECT_EQ(Run(*t0, 0x34, "00 A4 04 00 02 3F 00 00"), 0);
    EXPECT_EQ(Sent(g_t0Card), (std::vector<CByteArray>{Hex("00 A4 04 00 02 3F 00"), Hex("00 C0 00 00 1C")}));
    EXPECT_EQ(response, WithSw(Fci(), 0x90, 0x00));
    EXPECT_EQ(t0->GetLastResult(), 0U);
}

TEST_F(TransmitTest, T0Case4After9000AsksGetResponseWithTheCommandsLe) {
    g_t0Card->AnswerNext(Hex("90 00"));
    g_t0Card->AnswerNext(Hex("11 22 33 90 00"));
    EXPECT_EQ(Run(*t0, 0x34, "80 CA 01 02 01 AA 03"), 0);
    EXPECT_EQ(Sent(g_t0Card), (std::vector<CByteArray>{Hex("80 CA 01 02 01 AA"), Hex("00 C0 00 00 03")}));
    EXPECT_EQ(response, Hex("11 22 33 90 00"));
}

struct AfterOk {
    const char* firstGetResponseAnswer;
    const char* secondGetResponse;  // nullptr: none sent
    const char* response;
};

TEST_F(TransmitTest, T0Case4After9000FollowsTheGetResponseAnswer) {
    const AfterOk cases[] = {
        // 61 xx or 6C xx to the GET RESPONSE: once more with Le = xx.
        {"61 05", "00 C0 00 00 05", "01 02 03 04 05 90 00"},
        {"6C 04", "00 C0 00 00 04", "01 02 03 04 05 90 00"},
        // A refusal without data leaves the success; an answer with data is the response.
        {"6A 82", nullptr, "90 00"},
        {"AB CD 62 83", nullptr, "AB CD 62 83"},
        // Fewer than two bytes: the 90 00 stays.
        {"6A", nullptr, "90 00"},
    };
    for (const AfterOk& c : cases) {
        g_t0Card->ClearRecord();
        g_t0Card->AnswerNext(Hex("90 00"));
        g_t0Card->AnswerNext(Hex(c.firstGetResponseAnswer));
        g_t0Card->AnswerNext(Hex("01 02 03 04 05 90 00"));
        EXPECT_EQ(Run(*t0, 0x34, "00 E2 00 00 02 01 02 10"), 0) << c.firstGetResponseAnswer;
        std::vector<CByteArray> expected{Hex("00 E2 00 00 02 01 02"), Hex("00 C0 00 00 10")};
        if (c.secondGetResponse != nullptr) {
            expected.push_back(Hex(c.secondGetResponse));
        }
        EXPECT_EQ(Sent(g_t0Card), expected) << c.firstGetResponseAnswer;
        EXPECT_EQ(response, Hex(c.response)) << c.firstGetResponseAnswer;
        g_t0Card->ClearAnswers();
    }
}

TEST_F(TransmitTest, T0Case4WithoutPendingDataGetsTheCardsGetResponseRefusal) {
    // The file system card answers UPDATE BINARY with 90 00 and has nothing for GET RESPONSE.
    EXPECT_EQ(Run(*t0, 0x33, "00 A4 00 0C 02 2F 02"), 0);
    EXPECT_EQ(Run(*t0, 0x34, "00 D6 00 00 02 AA BB 00"), 0);
    EXPECT_EQ(Sent(g_t0Card).back(), Hex("00 C0 00 00 00"));
    EXPECT_EQ(response, Hex("90 00"));
    EXPECT_EQ(t0->GetLastResult(), 0U);
    EXPECT_EQ(g_t0Card->File(0x2F02)->at(0), 0xAA);
}

TEST_F(TransmitTest, T0Case4With6CIsReturnedAsItCame) {
    // Under T=0 the sent command has no Le to correct (its last byte is data): nothing is resent.
    g_t0Card->AnswerNext(Hex("6C 10"));
    EXPECT_EQ(Run(*t0, 0x34, "00 88 00 00 02 01 02 00"), 0);
    EXPECT_EQ(Sent(g_t0Card), (std::vector<CByteArray>{Hex("00 88 00 00 02 01 02")}));
    EXPECT_EQ(response, Hex("6C 10"));
}

TEST_F(TransmitTest, T0Case2With6CIsSentAgainWithTheCardsLength) {
    EXPECT_EQ(Run(*t0, 0x33, "00 A4 00 0C 02 2F 01"), 0);
    g_t0Card->ClearRecord();
    EXPECT_EQ(Run(*t0, 0x32, "00 B0 00 00 00"), 0);
    EXPECT_EQ(Sent(g_t0Card), (std::vector<CByteArray>{Hex("00 B0 00 00 00"), Hex("00 B0 00 00 10")}));
    EXPECT_EQ(response, Hex("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 90 00"));
}

TEST_F(TransmitTest, T0Case2With61FetchesTheAnswer) {
    g_t0Card->AnswerNext(Hex("61 08"));
    g_t0Card->AnswerNext(Hex("01 02 03 04 05 06 07 08 90 00"));
    EXPECT_EQ(Run(*t0, 0x32, "80 CA 9F 7F 00"), 0);
    EXPECT_EQ(Sent(g_t0Card), (std::vector<CByteArray>{Hex("80 CA 9F 7F 00"), Hex("00 C0 00 00 08")}));
    EXPECT_EQ(response, Hex("01 02 03 04 05 06 07 08 90 00"));
}

TEST_F(TransmitTest, Case2StatusWordsAfterDataAreNotCorrections) {
    g_t0Card->AnswerNext(Hex("AA 61 08"));
    EXPECT_EQ(Run(*t0, 0x32, "80 CA 9F 7F 00"), 0);
    EXPECT_EQ(response, Hex("AA 61 08"));
    g_t1Card->AnswerNext(Hex("AA 6C 08"));
    EXPECT_EQ(Run(*t1, 0x32, "80 CA 9F 7F 00"), 0);
    EXPECT_EQ(response, Hex("AA 6C 08"));
    EXPECT_EQ(Sent(g_t0Card).size(), 1U);
    EXPECT_EQ(Sent(g_t1Card).size(), 1U);
}

struct ClassCase {
    std::int32_t setting;
    const char* command;
    const char* getResponse;
};

TEST_F(TransmitTest, GetResponseClass) {
    const ClassCase cases[] = {
        {-1, "80 A4 04 00 02 3F 00 00", "80 C0 00 00 1C"},
        {-1, "00 A4 04 00 02 3F 00 00", "00 C0 00 00 1C"},
        {0x00, "80 A4 04 00 02 3F 00 00", "00 C0 00 00 1C"},
        {0x80, "00 A4 04 00 02 3F 00 00", "80 C0 00 00 1C"},
        {0x80, "80 A4 04 00 02 3F 00 00", "80 C0 00 00 1C"},
        {0x0A4, "00 A4 04 00 02 3F 00 00", "A4 C0 00 00 1C"},
    };
    for (const ClassCase& c : cases) {
        g_t0Card->ClearRecord();
        t0->SetGetResponseClass(c.setting);
        EXPECT_EQ(Run(*t0, 0x34, c.command), 0);
        ASSERT_EQ(Sent(g_t0Card).size(), 2U);
        EXPECT_EQ(Sent(g_t0Card)[1], Hex(c.getResponse)) << c.setting << " " << c.command;
    }
    t0->SetGetResponseClass(-1);
    t0->ResetTransmissionSettings();
    EXPECT_EQ(t0->GetGetResponseClass(), 0);
    g_t0Card->ClearRecord();
    EXPECT_EQ(Run(*t0, 0x34, "80 A4 04 00 02 3F 00 00"), 0);
    EXPECT_EQ(Sent(g_t0Card)[1], Hex("00 C0 00 00 1C"));
}

TEST_F(TransmitTest, ApduLevelOffSendsAndReturnsAsIs) {
    t0->SetApduLevel(false);
    EXPECT_EQ(Run(*t0, 0x34, "00 A4 04 00 02 3F 00 00"), 0);
    // Under T=0 a case 4 command still loses its Le byte.
    EXPECT_EQ(Sent(g_t0Card), (std::vector<CByteArray>{Hex("00 A4 04 00 02 3F 00")}));
    EXPECT_EQ(response, Hex("61 1C"));
    g_t0Card->ClearRecord();
    EXPECT_EQ(Run(*t0, 0x32, "00 C0 00 00 00"), 0);
    EXPECT_EQ(Sent(g_t0Card), (std::vector<CByteArray>{Hex("00 C0 00 00 00")}));
    EXPECT_EQ(response, Hex("6C 1C"));
    t0->ResetTransmissionSettings();
    EXPECT_TRUE(t0->GetApduLevel());
}

TEST_F(TransmitTest, OtherCasesGoOutUnchanged) {
    for (std::uint8_t caseByte : {0x31, 0x33, 0x35, 0x36}) {
        g_t0Card->ClearRecord();
        g_t0Card->AnswerNext(Hex("61 1C"));
        EXPECT_EQ(Run(*t0, caseByte, "00 A4 04 00 02 3F 00 00"), 0);
        EXPECT_EQ(Sent(g_t0Card), (std::vector<CByteArray>{Hex("00 A4 04 00 02 3F 00 00")})) << int{caseByte};
        EXPECT_EQ(response, Hex("61 1C"));
    }
}

TEST_F(TransmitTest, T1Case4GoesOutWholeAndIsAnsweredAtOnce) {
    EXPECT_EQ(Run(*t1, 0x34, "00 A4 04 00 02 3F 00 00"), 0);
    EXPECT_EQ(Sent(g_t1Card), (std::vector<CByteArray>{Hex("00 A4 04 00 02 3F 00 00")}));
    EXPECT_EQ(response, WithSw(Fci(), 0x90, 0x00));
}

TEST_F(TransmitTest, T1Case4With6CIsSentAgainWithTheCardsLe) {
    g_t1Card->AnswerNext(Hex("6C 1C"));
    EXPECT_EQ(Run(*t1, 0x34, "00 A4 04 00 02 3F 00 40"), 0);
    EXPECT_EQ(Sent(g_t1Card),
              (std::vector<CByteArray>{Hex("00 A4 04 00 02 3F 00 40"), Hex("00 A4 04 00 02 3F 00 1C")}));
    EXPECT_EQ(response, WithSw(Fci(), 0x90, 0x00));
}

TEST_F(TransmitTest, T1Case2With6CIsSentAgainAnd61IsNotFollowed) {
    EXPECT_EQ(Run(*t1, 0x33, "00 A4 00 0C 02 2F 01"), 0);
    g_t1Card->ClearRecord();
    g_t1Card->AnswerNext(Hex("6C 08"));
    EXPECT_EQ(Run(*t1, 0x32, "00 B0 00 00 00"), 0);
    EXPECT_EQ(Sent(g_t1Card), (std::vector<CByteArray>{Hex("00 B0 00 00 00"), Hex("00 B0 00 00 08")}));
    EXPECT_EQ(response, Hex("00 01 02 03 04 05 06 07 90 00"));
    g_t1Card->ClearRecord();
    g_t1Card->AnswerNext(Hex("61 08"));
    EXPECT_EQ(Run(*t1, 0x32, "00 B0 00 00 00"), 0);
    EXPECT_EQ(Sent(g_t1Card).size(), 1U);
    EXPECT_EQ(response, Hex("61 08"));
}

TEST_F(TransmitTest, EmptyCommandIsRefusedWithoutTouchingTheCard) {
    response = Hex("DE AD");
    EXPECT_EQ(t0->Transmit(0x34, {}, response), 0x99);
    EXPECT_EQ(t0->GetLastResult(), 0x99U);
    EXPECT_TRUE(response.empty());
    EXPECT_EQ(t1->TransmitBytes(0x32, nullptr, 0, response), 0x99);
    EXPECT_EQ(t1->GetLastErrorText(), "99 -- Undefined data.");
    EXPECT_TRUE(g_t0Card->Events().empty());
    EXPECT_TRUE(g_t1Card->Events().empty());
    // The reader is still usable.
    EXPECT_EQ(Run(*t1, 0x34, "00 A4 04 00 02 3F 00 00"), 0);
}

TEST_F(TransmitTest, OneByteCase4UnderT0LeavesNothingToSend) {
    EXPECT_EQ(Run(*t0, 0x34, "00"), 0x99);
    EXPECT_TRUE(g_t0Card->Events().empty());
}

TEST_F(TransmitTest, CommandRecordAndByteEntryPoints) {
    CCommandRecord record;
    const CByteArray select = Hex("00 A4 04 00 02 3F 00 00");
    std::copy(select.begin(), select.end(), record.bytes.begin());
    record.length = static_cast<std::uint32_t>(select.size());
    record.caseByte = 0x34;
    EXPECT_EQ(t0->TransmitRecord(record, response), 0);
    EXPECT_EQ(Sent(g_t0Card), (std::vector<CByteArray>{Hex("00 A4 04 00 02 3F 00"), Hex("00 C0 00 00 1C")}));
    EXPECT_EQ(response, WithSw(Fci(), 0x90, 0x00));
    EXPECT_EQ(t1->TransmitBytes(0x35, select.data(), select.size(), response), 0);
    EXPECT_EQ(Sent(g_t1Card), (std::vector<CByteArray>{select}));
}

TEST_F(TransmitTest, OneArrayForCommandAndResponse) {
    CByteArray both = Hex("00 A4 04 00 02 3F 00 00");
    EXPECT_EQ(t1->Transmit(0x34, both, both), 0);
    EXPECT_EQ(Sent(g_t1Card), (std::vector<CByteArray>{Hex("00 A4 04 00 02 3F 00 00")}));
    EXPECT_EQ(both, WithSw(Fci(), 0x90, 0x00));
}

TEST_F(TransmitTest, DisconnectedReaderFailsWithTheInvalidHandleResult) {
    EXPECT_EQ(t0->Disconnect(), 0);
    EXPECT_FALSE(t0->IsConnected());
    response = Hex("DE AD");
    EXPECT_EQ(Run(*t0, 0x34, "00 A4 04 00 02 3F 00 00"), 0x87);
    EXPECT_EQ(t0->GetLastResult(), 0x80100003U);
    EXPECT_EQ(t0->GetLastErrorText(), "80100003 -- The supplied handle was invalid.");
    EXPECT_TRUE(response.empty());
    CByteArray atr{0x01};
    EXPECT_EQ(t0->GetAtr(atr), 0x87);
    EXPECT_TRUE(atr.empty());
    EXPECT_EQ(t0->Reconnect(), 0x87);
    EXPECT_EQ(t0->GetLastResult(), 0x80100003U);
}

TEST_F(TransmitTest, AnswerDelaysAreTheCardsTime) {
    g_t1Card->AnswerNext(Hex("90 00"), std::chrono::milliseconds(60));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(*t1, 0x33, "00 20 00 80 02 12 34"), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
    EXPECT_EQ(response, Hex("90 00"));
}

}  // namespace
}  // namespace tessaly

std::unique_ptr<tessaly::lab::CLabEnvironment> tessaly::lab::MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Transmit"}, PrepareLab);
}
