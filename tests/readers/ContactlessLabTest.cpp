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

std::vector<std::string> Readers() {
    const lab::CLab& lab = *CLabEnvironment::Lab();
    return {lab.ReaderName(0, 0), lab.ReaderName(0, 1), lab.ReaderName(1, 0)};
}

void PrepareLab(lab::CLab& lab) {
    g_iso = CContactlessReaderModel::WithIsoCard();
    g_mifare1k = CContactlessReaderModel::WithMifare(lab::MifareSize::Classic1K);
    g_mifare4k = CContactlessReaderModel::WithMifare(lab::MifareSize::Classic4K);
    lab.InsertAll({{Readers()[0], g_iso}, {Readers()[1], g_mifare1k}, {Readers()[2], g_mifare4k}});
}

const MifareKey kKeyA1{0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1};
const MifareKey kKeyB1{0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6};

CByteArray Bytes(const MifareBlock& block) {
    return CByteArray(block.begin(), block.end());
}

// The host's key table for a 1K card: the transport keys, sector 1 with kKeyA1 / kKeyB1.
CByteArray KeyTable() {
    CByteArray table(12 * 16, 0xFF);
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
        g_iso->IsoCard()->ClearAnswers();
        g_mifare1k->SetSectorKeys(1, kKeyA1, kKeyB1);
        const std::shared_ptr<CContactlessReaderModel> models[] = {g_iso, g_mifare1k, g_mifare4k};
        std::unique_ptr<CScmContactlessReader>* readers[] = {&m_iso, &m_mifare, &m_mifare4k};
        for (int i = 0; i < 3; ++i) {
            models[i]->ClearAnswers();
            models[i]->ForgetLoadedKey();
            *readers[i] = std::make_unique<CScmContactlessReader>(Readers()[i], true);
            ASSERT_EQ((*readers[i])->Connect(), 0) << (*readers[i])->GetLastErrorText();
            models[i]->ClearRecord();
        }
        g_iso->IsoCard()->ClearRecord();
    }

    std::unique_ptr<CScmContactlessReader> m_iso;
    std::unique_ptr<CScmContactlessReader> m_mifare;
    std::unique_ptr<CScmContactlessReader> m_mifare4k;
    CByteArray m_response;
};

TEST_F(ContactlessTest, CardCommandsTravelInsideTheTransparentExchangeUpTo255Bytes) {
    EXPECT_EQ(m_iso->TransparentExchange(Hex("00 A4 04 00 07 A0 00 00 00 03 10 10 00"), m_response), 0);
    EXPECT_EQ(g_iso->IsoCard()->Commands(),
              (std::vector<CByteArray>{Hex("00 A4 04 00 07 A0 00 00 00 03 10 10 00")}));
    EXPECT_EQ(m_response, Hex("6F 12 84 07 A0 00 00 00 03 10 10 A5 07 50 05 54 45 53 54 31 90 00"));
    // The card's own status word comes back untouched, failure or not.
    EXPECT_EQ(m_iso->ExchangeContactless(0x34, Hex("00 A4 04 00 02 DE AD 00"), m_response), 0);
    EXPECT_EQ(m_response, Hex("6A 82"));
    EXPECT_EQ(m_iso->ExchangeContactless(0x35, Hex("00 B0 00 00 00"), m_response), 0);
    CByteArray big = Hex("00 D6");
    big.resize(300, 0x5A);
    // 256 bytes or more go to the reader as they are (the reader refuses class 00)...
    EXPECT_EQ(m_iso->ExchangeContactless(0x33, big, m_response), 0);
    EXPECT_EQ(m_response, Hex("6E 00"));
    // ...unless they are no APDU: too long for the transparent exchange, refused before sending.
    EXPECT_EQ(m_iso->ExchangeContactless(0x35, big, m_response), 0x91);
    EXPECT_EQ(g_iso->Commands(),
              (std::vector<CByteArray>{Hex("FC FE 00 00 0D 00 A4 04 00 07 A0 00 00 00 03 10 10 00"),
                                       Hex("FC FE 00 00 08 00 A4 04 00 02 DE AD 00"),
                                       Hex("FC FE 00 00 05 00 B0 00 00 00"), big}));
}

TEST_F(ContactlessTest, ReaderCommandsAndTheirStatusWords) {
    CByteArray ats;
    EXPECT_EQ(m_iso->GetAts(ats), 0);
    EXPECT_EQ(ats, CContactlessReaderModel::DefaultAts());
    CAnswerToSelect parsed(false);
    parsed.Parse(ats);
    EXPECT_EQ(parsed.GetFrameWaitingTimeInteger(), 7);
    EXPECT_EQ(m_iso->SendReaderControl(0x01), 0);
    EXPECT_EQ(g_iso->Commands(), (std::vector<CByteArray>{Hex("FD CC 00 00 01 93"), Hex("FF D0 01 00 00")}));

    const std::tuple<const char*, std::uint32_t, const char*> failures[] = {
        {"90", 0xF0000000, "f0000000 -- Incomplete response from SCM command."},
        {"6A 82", 0xF1006A82, "f1006a82 -- SCM command returned status word indicating error."},
        {"3B 00 67 00", 0xF1006700, "f1006700 -- SCM command returned 'length incorrect'."},
    };
    for (const auto& [answer, lastResult, text] : failures) {
        g_iso->AnswerNext(Hex(answer));
        ats = {0x01};
        EXPECT_EQ(m_iso->GetAts(ats), 0x87) << answer;
        EXPECT_TRUE(ats.empty());
        EXPECT_EQ(m_iso->GetLastResult(), lastResult);
        EXPECT_EQ(m_iso->GetLastErrorText(), text);
    }
    // A MIFARE card has no ATS.
    EXPECT_EQ(m_mifare->GetAts(ats), 0x87);
    EXPECT_EQ(m_mifare->GetLastErrorText(), "f1006581 -- SCM command returned 'STATUS_COMMAND_FAILED'.");
}

TEST_F(ContactlessTest, MifareReadAndWriteAfterAuthentication) {
    g_mifare1k->SetStoredBlock(4, Pattern(0x40));
    m_mifare->SetKeys(KeyTable());
    EXPECT_EQ(m_mifare->Authenticate(4, CScmContactlessReader::kKeyA), 0);
    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(Hex("30 04"), m_response), 0);
    EXPECT_EQ(m_response, Bytes(Pattern(0x40)));
    EXPECT_EQ(m_mifare->Authenticate(5, CScmContactlessReader::kKeyB), 0);
    EXPECT_EQ(g_mifare1k->Commands(),
              (std::vector<CByteArray>{Hex("FC 20 60 00 06 A1 A1 A1 A1 A1 A1"), Hex("FC B0 04 00 00"),
                                       Hex("FC 20 61 00 06 B1 B2 B3 B4 B5 B6")}));

    g_mifare1k->ClearRecord();
    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(Hex("A0 05"), m_response), 0);
    EXPECT_EQ(m_response, Hex("0A"));
    // Fifteen bytes are no block: nothing is sent, the block stays, the write is forgotten.
    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(CByteArray(15, 0xEE), m_response), 0x87);
    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(Bytes(Pattern(0x50)), m_response), 0x87);
    EXPECT_EQ(m_mifare->GetLastResult(), 0xF0000003U);
    EXPECT_TRUE(g_mifare1k->Commands().empty());
    EXPECT_EQ(g_mifare1k->StoredBlock(5), MifareBlock{});

    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(Hex("A0 05"), m_response), 0);
    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(Bytes(Pattern(0x50)), m_response), 0);
    EXPECT_EQ(m_response, Hex("0A"));
    EXPECT_FALSE(m_mifare->IsWritePending());
    EXPECT_EQ(
        g_mifare1k->Commands(),
        (std::vector<CByteArray>{Hex("FC D0 05 00 10 50 51 52 53 54 55 56 57 58 59 5A 5B 5C 5D 5E 5F")}));
    EXPECT_EQ(g_mifare1k->StoredBlock(5), Pattern(0x50));
}

TEST_F(ContactlessTest, TheCardRefusesWhatTheLoadedKeyDoesNotOpen) {
    // No key loaded yet.
    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(Hex("30 04"), m_response), 0x87);
    EXPECT_EQ(m_mifare->GetLastErrorText(),
              "f1006591 -- SCM command returned 'STATUS_SECURITY_STATUS_NOT_MET'.");
    CByteArray table = KeyTable();
    table[12] = 0x00;  // key A of sector 1 no longer matches the card
    m_mifare->SetKeys(table);
    EXPECT_EQ(m_mifare->Authenticate(4, CScmContactlessReader::kKeyA), 0);
    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(Hex("30 04"), m_response), 0x87);
    EXPECT_EQ(m_mifare->GetLastErrorText(), "f1006300 -- SCM command returned 'authentication error'.");
    EXPECT_TRUE(m_response.empty());
    // Key B of the same table is right, for its own sector only.
    EXPECT_EQ(m_mifare->Authenticate(4, CScmContactlessReader::kKeyB), 0);
    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(Hex("30 05"), m_response), 0);
    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(Hex("30 08"), m_response), 0x87);
    EXPECT_EQ(m_mifare->GetLastResult(), 0xF1006300U);
    ASSERT_EQ(m_mifare->ExecuteMemoryCommand(Hex("A0 09"), m_response), 0);
    EXPECT_EQ(m_mifare->ExecuteMemoryCommand(CByteArray(16, 0x99), m_response), 0x87);
    EXPECT_EQ(g_mifare1k->StoredBlock(9), MifareBlock{});
}

TEST_F(ContactlessTest, AuthenticateInTheLargeSectorsOfA4KCard) {
    // Block 200 is in sector 36: key B at 12 x 36 + 6 = 438 of a table of at least 444 bytes.
    CByteArray table(444, 0xFF);
    const MifareKey keyB{0x36, 0x36, 0x36, 0xB0, 0xB0, 0xB0};
    std::copy(keyB.begin(), keyB.end(), table.begin() + 438);
    g_mifare4k->SetSectorKeys(36, lab::CMifareClassic::kTransportKey, keyB);
    m_mifare4k->SetKeys(table);
    EXPECT_EQ(m_mifare4k->Authenticate(200, CScmContactlessReader::kKeyB), 0);
    EXPECT_EQ(g_mifare4k->Commands(), (std::vector<CByteArray>{Hex("FC 20 61 00 06 36 36 36 B0 B0 B0")}));
    g_mifare4k->SetStoredBlock(200, Pattern(0xC8));
    EXPECT_EQ(m_mifare4k->ExecuteMemoryCommand(Hex("30 C8"), m_response), 0);
    EXPECT_EQ(m_response, Bytes(Pattern(0xC8)));
    m_mifare4k->SetKeys(CByteArray(443, 0xFF));
    EXPECT_EQ(m_mifare4k->Authenticate(200, CScmContactlessReader::kKeyB), 0x87);
    EXPECT_EQ(m_mifare4k->GetLastResult(), 0xF0000001U);
    EXPECT_EQ(g_mifare4k->Commands().size(), 2U);
}

}  // namespace
}  // namespace tessaly

std::unique_ptr<tessaly::lab::CLabEnvironment> tessaly::lab::MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Contactless", "Lab Mifare"},
                                             PrepareLab);
}
