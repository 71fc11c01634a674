// Presence monitor, resets, connection errors and the reader listing of the PC/SC reader, against
// the virtual card lab; also the cardsim tool in a lab reader.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

std::shared_ptr<lab::CIsoCard> g_card;

// Device 0: slot 0 holds a T=0 card, slot 1 stays empty. Device 1: slot 0 is for insertion and
// removal, slot 1 for cardsim.
void PrepareLab(lab::CLab& lab) {
    g_card = lab::MakeContactCard(lab::Transport::T0);
    lab.Insert(lab.ReaderName(0, 0), g_card);
}

const std::string& WithCard() {
    return CLabEnvironment::Lab()->ReaderName(0, 0);
}
const std::string& Empty() {
    return CLabEnvironment::Lab()->ReaderName(0, 1);
}
const std::string& Moving() {
    return CLabEnvironment::Lab()->ReaderName(1, 0);
}
const std::string& ForCardsim() {
    return CLabEnvironment::Lab()->ReaderName(1, 1);
}

using Clock = std::chrono::steady_clock;

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// The monitor reports within a few poll cycles of the daemon (400 ms each).
bool WaitForState(CPcscReader& reader, std::uint8_t state, milliseconds limit = milliseconds(3000)) {
    const auto start = Clock::now();
    while (reader.GetCardState() != state) {
        if (Since(start) > limit) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

class PresenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESSALY_NEED_LAB();
        g_card->ClearAnswers();
        g_card->ClearRecord();
    }
};

TEST_F(PresenceTest, MonitorAnswersTheFirstQueryAsSoonAsItKnows) {
    const auto start = Clock::now();
    CPcscReader present(WithCard(), false);
    CPcscReader absent(Empty(), false);
    EXPECT_EQ(present.GetCardState(), card_state::kPresent);
    EXPECT_EQ(absent.GetCardState(), card_state::kAbsent);
    EXPECT_LT(Since(start), milliseconds(450));  // before the half-second bound
}

TEST_F(PresenceTest, FirstQueryOfAMonitorThatCannotReportEndsUnknown) {
    CPcscReader unknown("No Such Reader 00 00", false);
    const auto start = Clock::now();
    EXPECT_EQ(unknown.GetCardState(), card_state::kUnknown);
    EXPECT_LE(Since(start), milliseconds(600));
    const auto again = Clock::now();
    EXPECT_EQ(unknown.GetCardState(), card_state::kUnknown);
    EXPECT_LT(Since(again), milliseconds(200));  // no second wait
}

TEST_F(PresenceTest, FirstQueryWaitsAtMostHalfASecondForASilentMonitor) {
    lab::CLab& lab = *CLabEnvironment::Lab();
    // A stopped daemon answers nobody: the monitor cannot report in time.
    ASSERT_EQ(::kill(lab.DaemonPid(), SIGSTOP), 0);
    std::uint8_t state = 0;
    milliseconds waited{};
    {
        CPcscReader reader(WithCard(), false);
        const auto start = Clock::now();
        state = reader.GetCardState();
        waited = Since(start);
        ::kill(lab.DaemonPid(), SIGCONT);
    }
    ::kill(lab.DaemonPid(), SIGCONT);
    EXPECT_EQ(state, card_state::kUnknown);
    EXPECT_GE(waited, milliseconds(490));
    EXPECT_LE(waited, milliseconds(900));  // ends by the half-second bound, not a later one
}

TEST_F(PresenceTest, DestroyingAReaderEndsItsMonitorPromptly) {
    for (int round = 0; round < 3; ++round) {
        auto reader = std::make_unique<CPcscReader>(WithCard(), false);
        ASSERT_EQ(reader->GetCardState(), card_state::kPresent);
        std::this_thread::sleep_for(milliseconds(20));  // the monitor now waits for a change
        const auto start = Clock::now();
        reader.reset();
        EXPECT_LT(Since(start), milliseconds(800)) << "round " << round;  // not the 1 s wait
    }
}

TEST_F(PresenceTest, ConnectedStateIsKeptByTheMonitor) {
    CPcscReader reader(WithCard(), false);
    EXPECT_EQ(reader.Connect(), 0);
    EXPECT_EQ(reader.GetCardState(), card_state::kConnected);
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(reader.GetCardState(), card_state::kConnected);
    EXPECT_EQ(reader.Disconnect(), 0);
    EXPECT_EQ(reader.GetCardState(), card_state::kDisconnected);
    EXPECT_FALSE(reader.IsConnected());
}

TEST_F(PresenceTest, DirectQueryAsksPcscEachTime) {
    CPcscReader present(WithCard(), true);
    CPcscReader absent(Empty(), true);
    CPcscReader unknown("No Such Reader 00 00", true);
    EXPECT_EQ(present.GetCardState(), card_state::kPresent);
    EXPECT_EQ(absent.GetCardState(), card_state::kAbsent);
    EXPECT_EQ(unknown.GetCardState(), card_state::kUnknown);
    EXPECT_EQ(present.Connect(), 0);
    EXPECT_EQ(present.GetCardState(), card_state::kConnected);
    present.Disconnect();
    EXPECT_EQ(present.GetCardState(), card_state::kDisconnected);
}

TEST_F(PresenceTest, WarmResetReachesTheCard) {
    CPcscReader reader(WithCard(), true);
    ASSERT_EQ(reader.Connect(), 0);
    g_card->ClearRecord();
    EXPECT_EQ(reader.Reconnect(), 0);
    EXPECT_EQ(g_card->Count(CardEvent::Kind::Reset), 1U);
    EXPECT_EQ(reader.GetLastResult(), 0U);
    CByteArray response;
    EXPECT_EQ(reader.Transmit(0x34, Hex("00 A4 00 00 02 2F 01 00"), response), 0);
    EXPECT_EQ(response.size(), 15U);
}

TEST_F(PresenceTest, ColdResetReachesTheCard) {
    CPcscReader reader(WithCard(), true);
    ASSERT_EQ(reader.Connect(), 0);
    g_card->ClearRecord();
    // Disconnect resets the card; the next Connect finds it ready.
    EXPECT_EQ(reader.Disconnect(), 0);
    EXPECT_EQ(g_card->Count(CardEvent::Kind::Reset), 1U);
    EXPECT_EQ(reader.Connect(), 0);
    CByteArray atr;
    EXPECT_EQ(reader.GetAtr(atr), 0);
    EXPECT_EQ(atr, Hex("3B 02 14 50"));
}

TEST_F(PresenceTest, ResetForgetsWhatTheCardHadPending) {
    CPcscReader reader(WithCard(), true);
    ASSERT_EQ(reader.Connect(), 0);
    reader.SetApduLevel(false);
    CByteArray response;
    EXPECT_EQ(reader.Transmit(0x34, Hex("00 A4 00 00 02 2F 01 00"), response), 0);
    EXPECT_EQ(response, Hex("61 0D"));
    EXPECT_EQ(reader.Reconnect(), 0);
    EXPECT_EQ(reader.Transmit(0x32, Hex("00 C0 00 00 0D"), response), 0);
    EXPECT_EQ(response, Hex("69 85"));
}

TEST_F(PresenceTest, ConnectWithoutACard) {
    CPcscReader reader(Empty(), true);
    EXPECT_EQ(reader.Connect(), 0x87);
    EXPECT_EQ(reader.GetLastResult(), 0x8010000CU);
    EXPECT_EQ(
        reader.GetLastErrorText(),
        "8010000c -- The operation requires a smart card, but no smart card is currently in the device.");
    EXPECT_FALSE(reader.IsConnected());
    // The context the failed connect left is released by Disconnect.
    EXPECT_EQ(reader.Disconnect(), 0);
    EXPECT_EQ(reader.GetLastResult(), 0U);
}

TEST_F(PresenceTest, ConnectToAnUnknownReader) {
    CPcscReader reader("No Such Reader 00 00", true);
    EXPECT_EQ(reader.Connect(), 0x87);
    EXPECT_EQ(reader.GetLastResult(), 0x80100009U);
    EXPECT_EQ(reader.GetLastErrorText(), "80100009 -- The specified reader name is not recognized.");
}

TEST_F(PresenceTest, ConnectTwiceKeepsOneConnection) {
    CPcscReader reader(WithCard(), true);
    EXPECT_EQ(reader.Connect(), 0);
    g_card->ClearRecord();
    EXPECT_EQ(reader.Connect(), 0);
    // The first connection was closed (resetting the card) before the second was made.
    EXPECT_EQ(g_card->Count(CardEvent::Kind::Reset), 1U);
    CByteArray atr;
    EXPECT_EQ(reader.GetAtr(atr), 0);
}

TEST_F(PresenceTest, RemovalAndInsertionAsTheMonitorAndTheReaderSeeThem) {
    lab::CLab& lab = *CLabEnvironment::Lab();
    auto card = lab::MakeContactCard(lab::Transport::T1);
    lab.Insert(Moving(), card);
    CPcscReader reader(Moving(), false);
    ASSERT_EQ(reader.Connect(), 0);
    EXPECT_EQ(reader.GetCardState(), card_state::kConnected);

    lab.Remove(Moving());
    EXPECT_TRUE(WaitForState(reader, card_state::kAbsent));
    CByteArray response;
    EXPECT_EQ(reader.Transmit(0x34, Hex("00 A4 00 00 02 2F 01 00"), response), 0x87);
    EXPECT_EQ(reader.GetLastResult(), 0x80100069U);
    EXPECT_EQ(reader.GetLastErrorText(),
              "80100069 -- The smart card has been removed, so that further communication is not possible.");
    EXPECT_TRUE(response.empty());
    EXPECT_EQ(reader.Reconnect(), 0x87);
    EXPECT_NE(reader.GetLastResult(), 0U);
    CByteArray atr;
    EXPECT_EQ(reader.GetAtr(atr), 0x87);

    lab.Insert(Moving(), card);
    EXPECT_TRUE(WaitForState(reader, card_state::kPresent));
    EXPECT_EQ(reader.Connect(), 0);
    EXPECT_EQ(reader.Transmit(0x34, Hex("00 A4 00 00 02 2F 01 00"), response), 0);
    EXPECT_EQ(response.size(), 15U);
    lab.Remove(Moving());
}

TEST_F(PresenceTest, ListReadersGivesTheLabsReadersInTheirOrder) {
    CStringArray names{"stale"};
    EXPECT_EQ(ListReaders(names), 0U);
    std::vector<std::string> expected;
    for (const lab::LabReader& reader : CLabEnvironment::Lab()->Readers()) {
        expected.push_back(reader.name);
    }
    EXPECT_EQ(names, expected);
}

TEST_F(PresenceTest, CardsimServesItsProfileUntilTerminated) {
    lab::CLab& lab = *CLabEnvironment::Lab();
    const std::string port = std::to_string(lab.Port(ForCardsim()));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const char* const argv[] = {TESSALY_CARDSIM_PATH, "--port",  port.c_str(), "--profile", "t1", "--atr",
                                    "3B 81 80 01 80 80",  "--quiet", nullptr};
        ::execv(TESSALY_CARDSIM_PATH, const_cast<char* const*>(argv));
        ::_exit(127);
    }
    const bool inserted = lab.WaitForPresence(ForCardsim(), true, milliseconds(5000));
    CByteArray atr;
    CByteArray response;
    if (inserted) {
        CPcscReader reader(ForCardsim(), true);
        EXPECT_EQ(reader.Connect(), 0);
        EXPECT_EQ(reader.GetAtr(atr), 0);
        EXPECT_EQ(reader.Transmit(0x34, Hex("00 A4 04 00 07 A0 00 00 00 03 10 10 00"), response), 0);
    }
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(inserted);
    EXPECT_EQ(atr, Hex("3B 81 80 01 80 80"));
    EXPECT_EQ(response.size(), 22U);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(lab.WaitForPresence(ForCardsim(), false, milliseconds(5000)));
}

}  // namespace
}  // namespace tessaly

std::unique_ptr<tessaly::lab::CLabEnvironment> tessaly::lab::MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Presence", "Lab Moving"},
                                             PrepareLab);
}
