// Presence monitor, resets, connection errors and the reader listing of the PC/SC reader, against
// the virtual card lab; also the cardsim tool in a lab reader.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cardaccess/PcscReader.h"
#include "cardaccess/ReaderList.h"
#include "lab/IsoCard.h"
#include "tests/support/LabGTest.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using lab::CardEvent;
using lab::CLabEnvironment;
using std::chrono::milliseconds;
using test::Hex;
using Clock = std::chrono::steady_clock;

std::shared_ptr<lab::CIsoCard> g_card;

// Device 0: slot 0 holds a T=0 card, slot 1 stays empty. Device 1: slot 0 is for insertion and
// removal, slot 1 for cardsim.
void PrepareLab(lab::CLab& lab) {
    g_card = lab::MakeContactCard(lab::Transport::T0);
    lab.Insert(lab.ReaderName(0, 0), g_card);
}

const std::string& Reader(std::size_t device, int slot) {
    return CLabEnvironment::Lab()->ReaderName(device, slot);
}
const char* const kNoSuchReader = "No Such Reader 00 00";

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// The monitor reports within a few poll cycles of the daemon (400 ms each).
bool WaitForState(CPcscReader& reader, std::uint8_t state) {
    const auto start = Clock::now();
    while (reader.GetCardState() != state && Since(start) < milliseconds(3000)) {
        std::this_thread::sleep_for(milliseconds(5));
    }
    return reader.GetCardState() == state;
}

class PresenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESSALY_NEED_LAB();
        g_card->ClearAnswers();
        g_card->ClearRecord();
    }
};

TEST_F(PresenceTest, AMonitorAnswersTheFirstQueryAsSoonAsItKnowsAndEndsPromptly) {
    const auto start = Clock::now();
    std::unique_ptr<CPcscReader> readers[] = {std::make_unique<CPcscReader>(Reader(0, 0), false),
                                              std::make_unique<CPcscReader>(Reader(0, 1), false),
                                              std::make_unique<CPcscReader>(kNoSuchReader, false)};
    EXPECT_EQ(readers[0]->GetCardState(), card_state::kPresent);
    EXPECT_EQ(readers[1]->GetCardState(), card_state::kAbsent);
    EXPECT_EQ(readers[2]->GetCardState(), card_state::kUnknown);
    EXPECT_LT(Since(start), milliseconds(450));     // no query waited out its half second
    std::this_thread::sleep_for(milliseconds(20));  // the monitors now wait for a change or a retry
    for (std::unique_ptr<CPcscReader>& reader : readers) {
        const auto stop = Clock::now();
        reader.reset();
        EXPECT_LT(Since(stop), milliseconds(800));  // not the 1 s wait
    }
}

TEST_F(PresenceTest, FirstQueryWaitsAtMostHalfASecondForASilentMonitor) {
    lab::CLab& lab = *CLabEnvironment::Lab();
    // A stopped daemon answers nobody: the monitor cannot report in time.
    ASSERT_EQ(::kill(lab.DaemonPid(), SIGSTOP), 0);
    std::uint8_t state = 0;
    std::uint8_t again = 0;
    milliseconds waited{};
    {
        CPcscReader reader(Reader(0, 0), false);
        const auto start = Clock::now();
        state = reader.GetCardState();
        waited = Since(start);
        again = reader.GetCardState();  // no second wait
        ::kill(lab.DaemonPid(), SIGCONT);
    }
    ::kill(lab.DaemonPid(), SIGCONT);
    EXPECT_EQ(state, card_state::kUnknown);
    EXPECT_EQ(again, card_state::kUnknown);
    EXPECT_GE(waited, milliseconds(490));
    EXPECT_LE(waited, milliseconds(900));  // ends by the half-second bound, not a later one
}

TEST_F(PresenceTest, MonitorAndDirectQueryKeepTheConnectionStates) {
    for (const bool direct : {false, true}) {
        CPcscReader reader(Reader(0, 0), direct);
        EXPECT_EQ(reader.GetCardState(), card_state::kPresent);
        EXPECT_EQ(reader.Connect(), 0);
        EXPECT_EQ(reader.GetCardState(), card_state::kConnected);
        std::this_thread::sleep_for(milliseconds(100));
        EXPECT_EQ(reader.GetCardState(), card_state::kConnected);
        EXPECT_EQ(reader.Disconnect(), 0);
        EXPECT_EQ(reader.GetCardState(), card_state::kDisconnected);
        EXPECT_FALSE(reader.IsConnected());
        // Without a connection every card operation fails with the invalid-handle result.
        CByteArray bytes{0x01};
        EXPECT_EQ(reader.Transmit(0x34, Hex("00 A4 00 00 02 2F 01 00"), bytes), 0x87);
        EXPECT_EQ(reader.GetLastErrorText(), "80100003 -- The supplied handle was invalid.");
        EXPECT_TRUE(bytes.empty());
        EXPECT_EQ(reader.GetAtr(bytes), 0x87);
        EXPECT_EQ(reader.Reconnect(), 0x87);
        EXPECT_EQ(reader.GetLastResult(), 0x80100003U);
    }
    EXPECT_EQ(CPcscReader(Reader(0, 1), true).GetCardState(), card_state::kAbsent);
    CPcscReader unknown(kNoSuchReader, true);
    EXPECT_EQ(unknown.GetCardState(), card_state::kUnknown);
    EXPECT_EQ(unknown.Connect(), 0x87);
    EXPECT_EQ(unknown.GetLastErrorText(), "80100009 -- The specified reader name is not recognized.");
}

TEST_F(PresenceTest, ResetsReachTheCard) {
    CPcscReader reader(Reader(0, 0), true);
    ASSERT_EQ(reader.Connect(), 0);
    reader.SetApduLevel(false);
    CByteArray response;
    EXPECT_EQ(reader.Transmit(0x34, Hex("00 A4 00 00 02 2F 01 00"), response), 0);
    EXPECT_EQ(response, Hex("61 0D"));
    g_card->ClearRecord();
    // A warm reset makes the card forget what it had pending.
    EXPECT_EQ(reader.Reconnect(), 0);
    EXPECT_EQ(g_card->Count(CardEvent::Kind::Reset), 1U);
    EXPECT_EQ(reader.Transmit(0x32, Hex("00 C0 00 00 0D"), response), 0);
    EXPECT_EQ(response, Hex("69 85"));
    // Disconnect resets the card; so does a second Connect, which closes the first connection.
    EXPECT_EQ(reader.Disconnect(), 0);
    EXPECT_EQ(reader.Connect(), 0);
    EXPECT_EQ(reader.Connect(), 0);
    EXPECT_EQ(g_card->Count(CardEvent::Kind::Reset), 3U);
    CByteArray atr;
    EXPECT_EQ(reader.GetAtr(atr), 0);
    EXPECT_EQ(atr, Hex("3B 02 14 50"));
}

TEST_F(PresenceTest, RemovalAndInsertionAsTheMonitorAndTheReaderSeeThem) {
    lab::CLab& lab = *CLabEnvironment::Lab();
    auto card = lab::MakeContactCard(lab::Transport::T1);
    lab.Insert(Reader(1, 0), card);
    CPcscReader reader(Reader(1, 0), false);
    ASSERT_EQ(reader.Connect(), 0);
    EXPECT_EQ(reader.GetCardState(), card_state::kConnected);

    lab.Remove(Reader(1, 0));
    EXPECT_TRUE(WaitForState(reader, card_state::kAbsent));
    CByteArray response;
    EXPECT_EQ(reader.Transmit(0x34, Hex("00 A4 00 00 02 2F 01 00"), response), 0x87);
    EXPECT_EQ(reader.GetLastErrorText(),
              "80100069 -- The smart card has been removed, so that further communication is not possible.");
    EXPECT_TRUE(response.empty());
    EXPECT_EQ(reader.Reconnect(), 0x87);
    EXPECT_EQ(reader.Connect(), 0x87);
    EXPECT_EQ(
        reader.GetLastErrorText(),
        "8010000c -- The operation requires a smart card, but no smart card is currently in the device.");
    EXPECT_FALSE(reader.IsConnected());
    // The context the failed connect left is released by Disconnect.
    EXPECT_EQ(reader.Disconnect(), 0);
    EXPECT_EQ(reader.GetLastResult(), 0U);

    lab.Insert(Reader(1, 0), card);
    EXPECT_TRUE(WaitForState(reader, card_state::kPresent));
    EXPECT_EQ(reader.Connect(), 0);
    EXPECT_EQ(reader.Transmit(0x34, Hex("00 A4 00 00 02 2F 01 00"), response), 0);
    EXPECT_EQ(response.size(), 15U);
    lab.Remove(Reader(1, 0));
}

TEST_F(PresenceTest, ListReadersGivesTheLabsReadersInTheirOrder) {
    CStringArray names{"stale"};
    EXPECT_EQ(ListReaders(names), 0U);
    CStringArray expected;  // in the order PC/SC lists them, as the lab found them
    for (const lab::LabReader& reader : CLabEnvironment::Lab()->Readers()) {
        expected.push_back(reader.name);
    }
    EXPECT_EQ(names, expected);
}

TEST_F(PresenceTest, CardsimServesItsProfileUntilTerminated) {
    lab::CLab& lab = *CLabEnvironment::Lab();
    const std::string port = std::to_string(lab.Port(Reader(1, 1)));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const char* const argv[] = {TESSALY_CARDSIM_PATH, "--port",  port.c_str(), "--profile", "t1", "--atr",
                                    "3B 81 80 01 80 80",  "--quiet", nullptr};
        ::execv(TESSALY_CARDSIM_PATH, const_cast<char* const*>(argv));
        ::_exit(127);
    }
    CByteArray atr;
    CByteArray response;
    const bool inserted = lab.WaitForPresence(Reader(1, 1), true, milliseconds(5000));
    CPcscReader reader(Reader(1, 1), true);
    if (inserted && reader.Connect() == 0 && reader.GetAtr(atr) == 0) {
        reader.Transmit(0x34, Hex("00 A4 04 00 07 A0 00 00 00 03 10 10 00"), response);
    }
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(atr, Hex("3B 81 80 01 80 80"));
    EXPECT_EQ(response.size(), 22U);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(lab.WaitForPresence(Reader(1, 1), false, milliseconds(5000)));
}

}  // namespace
}  // namespace tessaly

std::unique_ptr<tessaly::lab::CLabEnvironment> tessaly::lab::MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Presence", "Lab Moving"},
                                             PrepareLab);
}
