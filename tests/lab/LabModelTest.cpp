// The lab's card models on their own, without a daemon: what the reader tests rely on them for.
#include <gtest/gtest.h>

#include "lab/ContactlessReaderModel.h"
#include "lab/IsoCard.h"
#include "tests/support/TestPackets.h"

namespace tessaly::lab {
namespace {

using test::Hex;

struct Exchange {
    const char* command;
    const char* answer;
};

void Expect(CVirtualCard& card, std::initializer_list<Exchange> exchanges) {
    for (const Exchange& e : exchanges) {
        EXPECT_EQ(card.Command(Hex(e.command)).bytes, Hex(e.answer)) << e.command;
    }
}

TEST(LabIsoCard, T0KeepsAnswerDataForGetResponse) {
    auto card = MakeContactCard(Transport::T0);
    Expect(*card, {
                      {"00 A4 00 00 02 2F 01", "61 0D"},
                      {"00 C0 00 00 20", "6C 0D"},
                      {"00 C0 00 00 05", "62 0B 80 02 00 61 08"},
                      {"00 C0 00 00 08", "10 82 01 01 83 02 2F 01 90 00"},
                      {"00 C0 00 00 08", "69 85"},
                      {"00 B0 00 00 00", "6C 10"},
                      {"00 B0 00 0C 04", "0C 0D 0E 0F 90 00"},
                      {"00 B0 00 11 01", "6B 00"},
                      {"00 D6 00 00 03 01 02", "67 00"},
                      {"00 84 00 00 08", "6D 00"},
                      {"00 A4 00 0C 02 12 34", "6A 82"},
                  });
    // A reset forgets what was pending and the selected file.
    Expect(*card, {{"00 A4 00 00 02 2F 01", "61 0D"}});
    card->Reset();
    EXPECT_TRUE(card->Pending().empty());
    Expect(*card, {{"00 B0 00 00 01", "69 86"}});
}

TEST(LabIsoCard, T1AnswersAtOnceUpToLe) {
    auto card = MakeContactCard(Transport::T1);
    Expect(*card, {
                      {"00 A4 00 00 02 2F 01", "90 00"},
                      {"00 A4 00 00 02 2F 01 00", "62 0B 80 02 00 10 82 01 01 83 02 2F 01 90 00"},
                      {"00 A4 00 00 02 2F 01 04", "62 0B 80 02 90 00"},
                      {"00 B0 00 00 00", "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 90 00"},
                      {"00 B0 00 0E 08", "0E 0F 90 00"},
                      {"00 D6 00 00 02 AA BB", "90 00"},
                      {"00 B0 00 00 02", "AA BB 90 00"},
                      {"00 C0 00 00 00", "69 85"},
                      {"00 A4 00 00 03 2F 01", "67 00"},
                      {"00 A4", "67 00"},
                  });
    EXPECT_EQ(card->File(0x2F01)->at(1), 0xBB);
}

TEST(LabVirtualCard, ProgrammedAnswersComeFirstInTheirOrder) {
    auto card = MakeContactCard(Transport::T1);
    card->AnswerPrefix(Hex("00 B0"), Hex("6A 81"), 2);
    card->AnswerNext(Hex("11 90 00"));
    card->SetHandler([](const CByteArray& command) -> std::optional<CByteArray> {
        if (command[1] == 0xCA) {
            return Hex("22 90 00");
        }
        return std::nullopt;
    });
    Expect(*card, {
                      {"00 B0 00 00 01", "11 90 00"},
                      {"80 CA 00 00 00", "22 90 00"},
                      {"00 B0 00 00 01", "6A 81"},
                      {"00 B0 00 00 01", "6A 81"},
                      {"00 A4 00 00 02 2F 01", "90 00"},
                  });
    card->SetDelay(std::chrono::milliseconds(7));
    card->AnswerNext(Hex("90 00"), std::chrono::milliseconds(5));
    EXPECT_EQ(card->Command(Hex("00 00 00 00")).delay, std::chrono::milliseconds(12));
    card->ClearAnswers();
    EXPECT_EQ(card->Command(Hex("80 CA 00 00 00")).bytes, Hex("6D 00"));
    EXPECT_EQ(card->Command(Hex("80 CA 00 00 00")).delay, std::chrono::milliseconds(0));
}

TEST(LabVirtualCard, RecordsEverythingItReceives) {
    auto card = MakeContactCard(Transport::T0);
    card->PowerOn();
    EXPECT_EQ(card->Atr(), Hex("3B 02 14 50"));
    card->Command(Hex("00 A4 00 0C 02 2F 01"));
    card->Reset();
    card->PowerOff();
    const std::vector<CardEvent> events = card->Events();
    ASSERT_EQ(events.size(), 5U);
    EXPECT_EQ(events[0].kind, CardEvent::Kind::PowerOn);
    EXPECT_EQ(events[1].kind, CardEvent::Kind::AtrRequest);
    EXPECT_EQ(events[2].kind, CardEvent::Kind::Command);
    EXPECT_EQ(events[2].bytes, Hex("00 A4 00 0C 02 2F 01"));
    EXPECT_EQ(events[3].kind, CardEvent::Kind::Reset);
    EXPECT_EQ(events[4].kind, CardEvent::Kind::PowerOff);
    EXPECT_EQ(card->Commands(), (std::vector<CByteArray>{Hex("00 A4 00 0C 02 2F 01")}));
    EXPECT_TRUE(card->WaitForCount(CardEvent::Kind::Reset, 1, std::chrono::milliseconds(0)));
    EXPECT_FALSE(card->WaitForCount(CardEvent::Kind::Reset, 2, std::chrono::milliseconds(1)));
    card->ClearRecord();
    EXPECT_TRUE(card->Events().empty());
    card->SetAtr(Hex("3B 00"));
    EXPECT_EQ(card->Atr(), Hex("3B 00"));
}

TEST(LabMifare, LayoutOfOneKAndFourK) {
    CMifareClassic small(MifareSize::Classic1K, {1, 2, 3, 4});
    CMifareClassic large(MifareSize::Classic4K, {1, 2, 3, 4});
    EXPECT_EQ(small.BlockCount(), 64U);
    EXPECT_EQ(small.SectorCount(), 16U);
    EXPECT_EQ(large.BlockCount(), 256U);
    EXPECT_EQ(large.SectorCount(), 40U);
    const std::pair<std::size_t, std::size_t> sectors[] = {{0, 0},    {7, 1},    {127, 31},
                                                           {128, 32}, {200, 36}, {255, 39}};
    for (const auto& [block, sector] : sectors) {
        EXPECT_EQ(CMifareClassic::SectorOf(block), sector) << block;
    }
    EXPECT_EQ(large.TrailerOf(31), 127U);
    EXPECT_EQ(large.TrailerOf(32), 143U);
    EXPECT_EQ(large.TrailerOf(39), 255U);
    EXPECT_TRUE(large.IsTrailer(207));
    EXPECT_FALSE(large.IsTrailer(200));
    EXPECT_EQ(small.Block(0)[4], 1 ^ 2 ^ 3 ^ 4);
    EXPECT_FALSE(small.Write(0, MifareBlock{}));
    EXPECT_FALSE(small.Write(64, MifareBlock{}));
    EXPECT_TRUE(small.KeyOpens(3, CMifareClassic::kKeyB, CMifareClassic::kTransportKey));
    EXPECT_FALSE(small.KeyOpens(16, CMifareClassic::kKeyA, CMifareClassic::kTransportKey));
    EXPECT_FALSE(small.KeyOpens(3, 0x62, CMifareClassic::kTransportKey));
    const MifareBlock trailer = small.Read(3);
    EXPECT_EQ(CByteArray(trailer.begin(), trailer.end()),
              Hex("00 00 00 00 00 00 FF 07 80 69 FF FF FF FF FF FF"));
}

TEST(LabContactlessModel, RefusesWhatTheReaderWouldRefuse) {
    auto iso = CContactlessReaderModel::WithIsoCard();
    auto mifare = CContactlessReaderModel::WithMifare(MifareSize::Classic1K);
    Expect(*iso, {
                     {"FC FE 00 00 03 00 B0 00", "67 00"},
                     {"FD CC 00 00 01 94", "67 00"},
                     {"FC 20 60 00 05 FF FF FF FF FF", "67 00"},
                     {"FC 20 62 00 06 FF FF FF FF FF FF", "6A 86"},
                     {"FC D0 04 00 0F 00 00", "67 00"},
                     {"FC 99 00 00 00", "6D 00"},
                     {"FF 00 00 00 00", "6D 00"},
                     {"00 A4 04 00 00", "6E 00"},
                     {"FC B0", "67 00"},
                     {"FC FE 00 00 02 00 B0", "67 00"},
                     {"FD CC 00 00 01 93", "0A 78 80 70 02 4C 41 42 31 30 90 00"},
                 });
    Expect(*mifare, {
                        {"FC B0 04 00 00", "65 91"},
                        {"FC 20 61 00 06 FF FF FF FF FF FF", "90 00"},
                        {"FC B0 3F 00 00", "00 00 00 00 00 00 FF 07 80 69 FF FF FF FF FF FF 90 00"},
                        {"FC B0 40 00 00", "65 81"},
                        {"FD CC 00 00 01 93", "65 81"},
                    });
    EXPECT_EQ(mifare->LoadedKey()->first, 0x61);
    mifare->ForgetLoadedKey();
    EXPECT_FALSE(mifare->LoadedKey().has_value());
}

TEST(LabContactlessModel, AtrCarriesTheHistoricalBytesAndTheirCheck) {
    EXPECT_EQ(CContactlessReaderModel::ContactlessAtr({}), Hex("3B 80 80 01 01"));
    EXPECT_EQ(CContactlessReaderModel::WithIsoCard(Hex("05 78 80 70 02"))->Atr(), Hex("3B 80 80 01 01"));
    EXPECT_EQ(CContactlessReaderModel::WithMifare(MifareSize::Classic1K)->Atr(),
              Hex("3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A"));
}

}  // namespace
}  // namespace tessaly::lab
