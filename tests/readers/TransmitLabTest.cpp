// Command exchange of the PC/SC reader under T=0 and T=1 against cards of the virtual card lab:
// what each path sends, byte for byte, what it returns and the station code. The scenarios are
// in data/transmit.txt.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cardaccess/PcscReader.h"
#include "lab/IsoCard.h"
#include "tests/support/LabGTest.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using lab::CLabEnvironment;
using test::Hex;

// The FCI of the application 3F 00: 28 bytes, behind 61 1C under T=0.
const std::string kFci =
    "6F 1A 84 02 3F 00 A5 14 50 12 4C 41 42 20 54 52 41 4E 53 4D 49 54 20 46 43 49 20 31";
const std::string kSelect = "00 A4 04 00 02 3F 00 00";
// A device name of 120 characters: its readers' names have 126, more than any short buffer holds.
const std::string kLongDevice = "Lab Reader With A Long Name " + std::string(92, 'x');

enum Card { T0, T1, LongName };
std::shared_ptr<lab::CIsoCard> g_cards[3];

void PrepareLab(lab::CLab& lab) {
    g_cards[T0] = lab::MakeContactCard(lab::Transport::T0);
    g_cards[T1] = lab::MakeContactCard(lab::Transport::T1);
    g_cards[LongName] = lab::MakeContactCard(lab::Transport::T0);
    for (const auto& card : g_cards) {
        card->AddApplication({0x3F, 0x00}, Hex(kFci));
    }
    lab.InsertAll({{lab.ReaderName(0, 0), g_cards[T0]},
                   {lab.ReaderName(0, 1), g_cards[T1]},
                   {lab.ReaderName(1, 0), g_cards[LongName]}});
}

// Hex text with "{FCI}" for the FCI and "XX*N" for N bytes XX.
CByteArray Bytes(const std::string& text) {
    std::istringstream words(text);
    CByteArray bytes;
    for (std::string word; words >> word;) {
        const std::size_t star = word.find('*');
        const CByteArray part = word == "{FCI}" ? Hex(kFci) : Hex(word.substr(0, star));
        const std::size_t times = star == std::string::npos ? 1 : std::stoul(word.substr(star + 1));
        for (std::size_t i = 0; i < times; ++i) {
            bytes.insert(bytes.end(), part.begin(), part.end());
        }
    }
    return bytes;
}

// The pieces of `text` between `separator`s.
std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::vector<CByteArray> ByteList(const std::string& text) {
    std::vector<CByteArray> list;
    for (const std::string& item : text.empty() ? std::vector<std::string>{} : Split(text, "; ")) {
        list.push_back(Bytes(item));
    }
    return list;
}

class TransmitTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESSALY_NEED_LAB();
        lab::CLab& lab = *CLabEnvironment::Lab();
        const std::string names[] = {lab.ReaderName(0, 0), lab.ReaderName(0, 1), lab.ReaderName(1, 0)};
        for (int i = 0; i < 3; ++i) {
            g_cards[i]->ClearAnswers();
            m_readers[i] = std::make_unique<CPcscReader>(names[i], true);
            ASSERT_EQ(m_readers[i]->Connect(), 0) << m_readers[i]->GetLastErrorText();
            g_cards[i]->ClearRecord();
        }
    }

    std::unique_ptr<CPcscReader> m_readers[3];
    CByteArray m_response;
};

TEST_F(TransmitTest, EveryPathSendsAndReturnsWhatItShould) {
    std::ifstream file(TESSALY_READERS_DATA "/transmit.txt");
    int scenarios = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        ++scenarios;
        const std::vector<std::string> f = Split(line, " | ");
        ASSERT_EQ(f.size(), 10U) << line;
        SCOPED_TRACE(f[0]);
        const Card which = f[1] == "T1" ? T1 : f[1] == "LONG" ? LongName : T0;
        lab::CIsoCard& card = *g_cards[which];
        card.ClearRecord();
        card.ClearAnswers();
        for (const CByteArray& answer : ByteList(f[6])) {
            card.AnswerNext(answer);
        }
        CPcscReader& reader = *m_readers[which];
        reader.SetGetResponseClass(std::stoi(f[2]));
        reader.SetApduLevel(f[3] == "on");
        m_response = Hex("DE AD");
        const std::uint8_t status = Hex(f[9]).at(0);
        EXPECT_EQ(reader.Transmit(Hex(f[4]).at(0), Bytes(f[5]), m_response), status);
        EXPECT_EQ(card.Commands(), ByteList(f[7]));
        EXPECT_EQ(m_response, Bytes(f[8]));
        EXPECT_EQ(reader.GetLastResult(), status);
        reader.ResetTransmissionSettings();
    }
    EXPECT_GE(scenarios, 30);
    // The UPDATE BINARY that stayed a success did update the file.
    EXPECT_EQ(g_cards[T0]->File(0x2F02)->at(1), 0xBB);
}

TEST_F(TransmitTest, RecordBytesAndOneArrayForCommandAndResponse) {
    CByteArray both = Hex(kSelect);
    CCommandRecord record{{}, static_cast<std::uint32_t>(both.size()), 0x34};
    std::copy(both.begin(), both.end(), record.bytes.begin());
    EXPECT_EQ(m_readers[T0]->TransmitRecord(record, m_response), 0);
    EXPECT_EQ(m_response, Hex(kFci + " 90 00"));
    EXPECT_EQ(m_readers[T1]->TransmitBytes(0x35, both.data(), both.size(), m_response), 0);
    EXPECT_EQ(m_readers[T1]->TransmitBytes(0x32, nullptr, 0, m_response), 0x99);
    EXPECT_EQ(m_readers[T1]->GetLastErrorText(), "99 -- Undefined data.");
    EXPECT_EQ(m_readers[T1]->Transmit(0x34, both, both), 0);
    EXPECT_EQ(g_cards[T1]->Commands(), (std::vector<CByteArray>{Hex(kSelect), Hex(kSelect)}));
    EXPECT_EQ(both, Hex(kFci + " 90 00"));
}

TEST_F(TransmitTest, AReaderWithALongNameIsServedLikeAnyOther) {
    const std::string& name = CLabEnvironment::Lab()->ReaderName(1, 0);
    ASSERT_EQ(name, kLongDevice + " 00 00");
    CByteArray atr;
    EXPECT_EQ(m_readers[LongName]->GetAtr(atr), 0);
    EXPECT_EQ(atr, Hex("3B 02 14 50"));
    CPcscReader monitored(name, false);
    EXPECT_EQ(monitored.GetCardState(), card_state::kPresent);
}

}  // namespace
}  // namespace tessaly

std::unique_ptr<tessaly::lab::CLabEnvironment> tessaly::lab::MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Transmit", kLongDevice},
                                             PrepareLab);
}
