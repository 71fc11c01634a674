// The contactless reader's vendor commands and the MIFARE Classic flows, against the lab's
// contactless reader model with an ISO 14443-4 card, a MIFARE Classic 1K and a 4K card.
#include <gtest/gtest.h>

#include <numeric>

#include "cardaccess/AnswerToSelect.h"
#include "cardaccess/ScmContactlessReader.h"
#include "lab/ContactlessReaderModel.h"
#include "tests/support/LabGTest.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using lab::CContactlessReaderModel;
using lab::CLabEnvironment;
using lab::MifareBlock;
using lab::MifareKey;
using test::Hex;

std::shared_ptr<CContactlessReaderModel> g_iso;
std::shared_ptr<CContactlessReaderModel> g_mifare1k;
std::shared_ptr<CContactlessReaderModel> g_mifare4k;

void PrepareLab(lab::CLab& lab) {
    g_iso = CContactlessReaderModel::WithIsoCard();
    g_mifare1k = CContactlessReaderModel::WithMifare(lab::MifareSize::Classic1K);
    g_mifare4k = CContactlessReaderModel::WithMifare(lab::MifareSize::Classic4K);
    lab.InsertAll({{lab.ReaderName(0, 0), g_iso},
                   {lab.ReaderName(0, 1), g_mifare1k},
                   {lab.ReaderName(1, 0), g_mifare4k}});
}

const MifareKey kKeyA1{0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1};
const MifareKey kKeyB1{0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6};

CByteArray Bytes(const MifareBlock& block) {
    return CByteArray(block.begin(), block.end());
}

// The host's key table: every sector with the transport keys, sector 1 with kKeyA1 / kKeyB1.
CByteArray KeyTable(std::size_t sectors) {
    CByteArray table(12 * sectors, 0xFF);
    std::copy(kKeyA1.begin(), kKeyA1.end(), table.begin() + 12);
    std::copy(kKeyB1.begin(), kKeyB1.end(), table.begin() + 18);
    return table;
}

MifareBlock Pattern(std::uint8_t first) {
    MifareBlock block{};
    std::iota(block.begin(), block.end(), first);
    return block;
}

class ContactlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESSALY_NEED_LAB();
        lab::CLab& lab = *CLabEnvironment::Lab();
        for (const auto& model : {g_iso, g_mifare1k, g_mifare4k}) {
            model->ClearAnswers();
            model->ForgetLoadedKey();
        }
        g_iso->IsoCard()->ClearAnswers();
        g_mifare1k->SetSectorKeys(1, kKeyA1, kKeyB1);
        iso = std::make_unique<CScmContactlessReader>(lab.ReaderName(0, 0), true);
        mifare = std::make_unique<CScmContactlessReader>(lab.ReaderName(0, 1), true);
        mifare4k = std::make_unique<CScmContactlessReader>(lab.ReaderName(1, 0), true);
        for (CScmContactlessReader* reader : {iso.get(), mifare.get(), mifare4k.get()}) {
            ASSERT_EQ(reader->Connect(), 0) << reader->GetLastErrorText();
        }
        for (const auto& model : {g_iso, g_mifare1k, g_mifare4k}) {
            model->ClearRecord();
        }
        g_iso->IsoCard()->ClearRecord();
    }

    std::unique_ptr<CScmContactlessReader> iso;
    std::unique_ptr<CScmContactlessReader> mifare;
    std::unique_ptr<CScmContactlessReader> mifare4k;
    CByteArray response;
};

TEST_F(ContactlessTest, AtrsAreThoseOfAContactlessReader) {
    CByteArray atr;
    EXPECT_EQ(mifare->GetAtr(atr), 0);
    EXPECT_EQ(atr, Hex("3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A"));
    EXPECT_EQ(mifare4k->GetAtr(atr), 0);
    EXPECT_EQ(atr, Hex("3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 02 00 00 00 00 69"));
    EXPECT_EQ(iso->GetAtr(atr), 0);
    EXPECT_EQ(atr, Hex("3B 85 80 01 4C 41 42 31 30 4A"));
}

TEST_F(ContactlessTest, TransparentExchangeWrapsTheCommandAndPassesTheAnswerOn) {
    EXPECT_EQ(iso->TransparentExchange(Hex("00 A4 04 00 07 A0 00 00 00 03 10 10 00"), response), 0);
    EXPECT_EQ(g_iso->Commands(),
              (std::vector<CByteArray>{Hex("FC FE 00 00 0D 00 A4 04 00 07 A0 00 00 00 03 10 10 00")}));
    EXPECT_EQ(g_iso->IsoCard()->Commands(),
              (std::vector<CByteArray>{Hex("00 A4 04 00 07 A0 00 00 00 03 10 10 00")}));
    EXPECT_EQ(response, Hex("6F 12 84 07 A0 00 00 00 03 10 10 A5 07 50 05 54 45 53 54 31 90 00"));
    // The card's own status word comes back untouched, failure or not.
    EXPECT_EQ(iso->TransparentExchange(Hex("00 A4 04 00 02 DE AD 00"), response), 0);
    EXPECT_EQ(response, Hex("6A 82"));
}

TEST_F(ContactlessTest, ExchangeContactlessChoosesTheRoadByCaseAndLength) {
    EXPECT_EQ(iso->ExchangeContactless(0x34, Hex("00 B0 00 00 00"), response), 0);
    EXPECT_EQ(iso->ExchangeContactless(0x35, Hex("00 B0 00 00 00"), response), 0);
    CByteArray big(300, 0x5A);
    big[0] = 0x00;
    big[1] = 0xD6;
    EXPECT_EQ(iso->ExchangeContactless(0x33, big, response), 0);
    const std::vector<CByteArray> sent = g_iso->Commands();
    ASSERT_EQ(sent.size(), 3U);
    EXPECT_EQ(sent[0], Hex("FC FE 00 00 05 00 B0 00 00 00"));
    EXPECT_EQ(sent[1], Hex("FC FE 00 00 05 00 B0 00 00 00"));
    // 256 bytes or more go to the reader as they are: the reader refuses class 00.
    EXPECT_EQ(sent[2], big);
    EXPECT_EQ(response, Hex("6E 00"));
    // Not an APDU and too long for the transparent exchange: refused before anything is sent.
    EXPECT_EQ(iso->ExchangeContactless(0x35, big, response), 0x91);
    EXPECT_EQ(g_iso->Commands().size(), 3U);
}

TEST_F(ContactlessTest, GetAtsReadsTheAnswerToSelect) {
    CByteArray ats;
    EXPECT_EQ(iso->GetAts(ats), 0);
    EXPECT_EQ(g_iso->Commands(), (std::vector<CByteArray>{Hex("FD CC 00 00 01 93")}));
    EXPECT_EQ(ats, CContactlessReaderModel::DefaultAts());
    CAnswerToSelect parsed(false);
    parsed.Parse(ats);
    EXPECT_EQ(parsed.GetFrameWaitingTimeInteger(), 7);
    EXPECT_EQ(parsed.GetHistoricalCount(), 5);
}

struct ReaderFailure {
    const char* answer;
    std::uint32_t lastResult;
    const char* text;
};

TEST_F(ContactlessTest, ReaderAnswersOtherThan9000Fail) {
    const ReaderFailure cases[] = {
        {"90", 0xF0000000, "f0000000 -- Incomplete response from SCM command."},
        {"6A 82", 0xF1006A82, "f1006a82 -- SCM command returned status word indicating error."},
        {"3B 00 67 00", 0xF1006700, "f1006700 -- SCM command returned 'length incorrect'."},
    };
    for (const ReaderFailure& c : cases) {
        g_iso->AnswerNext(Hex(c.answer));
        CByteArray ats{0x01};
        EXPECT_EQ(iso->GetAts(ats), 0x87) << c.answer;
        EXPECT_TRUE(ats.empty());
        EXPECT_EQ(iso->GetLastResult(), c.lastResult);
        EXPECT_EQ(iso->GetLastErrorText(), c.text);
    }
    // A MIFARE card has no ATS.
    CByteArray ats;
    EXPECT_EQ(mifare->GetAts(ats), 0x87);
    EXPECT_EQ(mifare->GetLastErrorText(), "f1006581 -- SCM command returned 'STATUS_COMMAND_FAILED'.");
}

TEST_F(ContactlessTest, ReaderControl) {
    EXPECT_EQ(iso->SendReaderControl(0x01), 0);
    EXPECT_EQ(iso->SendReaderControl(0x00), 0);
    EXPECT_EQ(g_iso->Commands(), (std::vector<CByteArray>{Hex("FF D0 01 00 00"), Hex("FF D0 00 00 00")}));
    EXPECT_EQ(g_iso->ReaderControlValues(), (std::vector<std::uint8_t>{0x01, 0x00}));
}

TEST_F(ContactlessTest, MifareReadAfterAuthentication) {
    g_mifare1k->SetStoredBlock(4, Pattern(0x40));
    mifare->SetKeys(KeyTable(16));
    EXPECT_EQ(mifare->Authenticate(4, CScmContactlessReader::kKeyA), 0);
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Hex("30 04"), response), 0);
    EXPECT_EQ(response, Bytes(Pattern(0x40)));
    EXPECT_EQ(g_mifare1k->Commands(),
              (std::vector<CByteArray>{Hex("FC 20 60 00 06 A1 A1 A1 A1 A1 A1"), Hex("FC B0 04 00 00")}));
    // The trailer reads with key A hidden.
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Hex("30 07"), response), 0);
    EXPECT_EQ(response, Hex("00 00 00 00 00 00 FF 07 80 69 B1 B2 B3 B4 B5 B6"));
}

TEST_F(ContactlessTest, MifareWriteInTwoPhases) {
    mifare->SetKeys(KeyTable(16));
    ASSERT_EQ(mifare->Authenticate(5, CScmContactlessReader::kKeyB), 0);
    g_mifare1k->ClearRecord();
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Hex("A0 05"), response), 0);
    EXPECT_EQ(response, Hex("0A"));
    EXPECT_TRUE(g_mifare1k->Commands().empty());
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Bytes(Pattern(0x50)), response), 0);
    EXPECT_EQ(response, Hex("0A"));
    EXPECT_FALSE(mifare->IsWritePending());
    CByteArray expected = Hex("FC D0 05 00 10");
    const CByteArray data = Bytes(Pattern(0x50));
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(g_mifare1k->Commands(), (std::vector<CByteArray>{expected}));
    EXPECT_EQ(g_mifare1k->StoredBlock(5), Pattern(0x50));
}

TEST_F(ContactlessTest, PendingWriteGivenFifteenBytesSendsNothing) {
    mifare->SetKeys(KeyTable(16));
    ASSERT_EQ(mifare->Authenticate(6, CScmContactlessReader::kKeyA), 0);
    g_mifare1k->SetStoredBlock(6, Pattern(0x60));
    g_mifare1k->ClearRecord();
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Hex("A0 06"), response), 0);
    EXPECT_EQ(mifare->ExecuteMemoryCommand(CByteArray(15, 0xEE), response), 0x87);
    EXPECT_EQ(mifare->GetLastResult(), 0xF0000002U);
    EXPECT_FALSE(mifare->IsWritePending());
    EXPECT_TRUE(g_mifare1k->Commands().empty());
    EXPECT_EQ(g_mifare1k->StoredBlock(6), Pattern(0x60));
    // Sixteen bytes now are no write data: the pending write is gone.
    EXPECT_EQ(mifare->ExecuteMemoryCommand(CByteArray(16, 0xEE), response), 0x87);
    EXPECT_EQ(mifare->GetLastResult(), 0xF0000003U);
    EXPECT_TRUE(g_mifare1k->Commands().empty());
}

TEST_F(ContactlessTest, WrongKeyIsRefusedByTheCard) {
    CByteArray table = KeyTable(16);
    table[12] = 0x00;  // key A of sector 1 no longer matches the card
    mifare->SetKeys(table);
    EXPECT_EQ(mifare->Authenticate(4, CScmContactlessReader::kKeyA), 0);
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Hex("30 04"), response), 0x87);
    EXPECT_EQ(mifare->GetLastResult(), 0xF1006300U);
    EXPECT_EQ(mifare->GetLastErrorText(), "f1006300 -- SCM command returned 'authentication error'.");
    EXPECT_TRUE(response.empty());
    // Key B of the same table is right.
    EXPECT_EQ(mifare->Authenticate(4, CScmContactlessReader::kKeyB), 0);
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Hex("30 04"), response), 0);
    EXPECT_EQ(response.size(), 16U);
}

TEST_F(ContactlessTest, AccessIsByAuthenticatedSectorOnly) {
    mifare->SetKeys(KeyTable(16));
    ASSERT_EQ(mifare->Authenticate(4, CScmContactlessReader::kKeyA), 0);
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Hex("30 05"), response), 0);
    // Block 8 is in sector 2, whose key is not the loaded one.
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Hex("30 08"), response), 0x87);
    EXPECT_EQ(mifare->GetLastResult(), 0xF1006300U);
    ASSERT_EQ(mifare->ExecuteMemoryCommand(Hex("A0 09"), response), 0);
    EXPECT_EQ(mifare->ExecuteMemoryCommand(CByteArray(16, 0x99), response), 0x87);
    EXPECT_EQ(mifare->GetLastResult(), 0xF1006300U);
    EXPECT_EQ(g_mifare1k->StoredBlock(9), MifareBlock{});
}

TEST_F(ContactlessTest, BlockAccessWithoutKeyAndBeyondTheCard) {
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Hex("30 04"), response), 0x87);
    EXPECT_EQ(mifare->GetLastErrorText(),
              "f1006591 -- SCM command returned 'STATUS_SECURITY_STATUS_NOT_MET'.");
    mifare->SetKeys(KeyTable(16));
    ASSERT_EQ(mifare->Authenticate(0, CScmContactlessReader::kKeyA), 0);
    // A 1K card ends at block 63; block 0 cannot be written.
    EXPECT_EQ(mifare->ExecuteMemoryCommand(Hex("30 40"), response), 0x87);
    EXPECT_EQ(mifare->GetLastResult(), 0xF1006581U);
    ASSERT_EQ(mifare->ExecuteMemoryCommand(Hex("A0 00"), response), 0);
    EXPECT_EQ(mifare->ExecuteMemoryCommand(CByteArray(16, 0x00), response), 0x87);
    EXPECT_EQ(mifare->GetLastResult(), 0xF1006581U);
}

TEST_F(ContactlessTest, AuthenticateInTheLargeSectorsOfA4KCard) {
    // Block 200 is in sector 36: key B at 12 x 36 + 6 = 438 of a table of at least 444 bytes.
    CByteArray table(444, 0xFF);
    const MifareKey keyB{0x36, 0x36, 0x36, 0xB0, 0xB0, 0xB0};
    std::copy(keyB.begin(), keyB.end(), table.begin() + 438);
    g_mifare4k->SetSectorKeys(36, lab::CMifareClassic::kTransportKey, keyB);
    mifare4k->SetKeys(table);
    EXPECT_EQ(mifare4k->Authenticate(200, CScmContactlessReader::kKeyB), 0);
    EXPECT_EQ(g_mifare4k->Commands(), (std::vector<CByteArray>{Hex("FC 20 61 00 06 36 36 36 B0 B0 B0")}));
    g_mifare4k->SetStoredBlock(200, Pattern(0xC8));
    EXPECT_EQ(mifare4k->ExecuteMemoryCommand(Hex("30 C8"), response), 0);
    EXPECT_EQ(response, Bytes(Pattern(0xC8)));
    mifare4k->SetKeys(CByteArray(443, 0xFF));
    EXPECT_EQ(mifare4k->Authenticate(200, CScmContactlessReader::kKeyB), 0x87);
    EXPECT_EQ(mifare4k->GetLastResult(), 0xF0000001U);
    EXPECT_EQ(g_mifare4k->Commands().size(), 2U);
}

TEST_F(ContactlessTest, MemoryCommandsNeedAMifareCardAndIsoCommandsAnIsoCard) {
    iso->SetKeys(KeyTable(16));
    EXPECT_EQ(iso->Authenticate(4, CScmContactlessReader::kKeyA), 0);
    EXPECT_EQ(iso->ExecuteMemoryCommand(Hex("30 04"), response), 0x87);
    EXPECT_EQ(iso->GetLastResult(), 0xF1006581U);
    EXPECT_EQ(mifare->TransparentExchange(Hex("00 B0 00 00 00"), response), 0);
    EXPECT_EQ(response, Hex("65 81"));
}

}  // namespace
}  // namespace tessaly

std::unique_ptr<tessaly::lab::CLabEnvironment> tessaly::lab::MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Contactless", "Lab Mifare"},
                                             PrepareLab);
}
