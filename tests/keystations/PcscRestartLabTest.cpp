// A key station outlives a restart of the PC/SC service: over real TCP, its card state turns
// unknown while the service is gone, follows removal and insertion once it is back, and the card
// is served again after a reset. The lab's daemon is stopped and started by its PID.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "keystations/KeyStation.h"
#include "lab/IsoCard.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "protocol/outgoing/StationAcks.h"
#include "tests/keystations/HostPeer.h"
#include "tests/keystations/StationRecorder.h"
#include "tests/support/LabGTest.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using lab::CLabEnvironment;
using test::HostRequest;
using test::StationReply;
using test::ToHex;

std::shared_ptr<lab::CIsoCard> g_card;

const char* const kResetCard = "58 00 04 00 00 13 88";
const char* const kSelectEf = "58 1E 33 00 00 00 07 00 A4 00 0C 02 2F 01";
const char* const kReadBinary = "58 1E 32 00 00 00 05 00 B0 00 00 04";

class PcscRestartTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESSALY_NEED_LAB();
        m_reader = CLabEnvironment::Lab()->ReaderName(0, 0);
        m_port = test::FreePort();
        m_station = std::make_unique<CKeyStation>(m_reader, m_port);
        m_station->SetObserver(&m_recorder);
        ASSERT_TRUE(m_station->Start()) << m_station->GetStatusName();
        m_host = std::make_unique<test::CHostPeer>(m_port);
        ASSERT_TRUE(m_host->IsConnected());
    }

    void TearDown() override {
        m_host.reset();
        m_station.reset();
    }

    test::StationAnswer Ask(std::uint8_t sub, const std::string& body) {
        return m_host->Exchange(HostRequest(sub, ++m_transaction, body));
    }

    // The whole answer to one request, against the station's reply with `replyBody`.
    void Expect(std::uint8_t sub, const std::string& body, const std::string& replyBody) {
        const test::StationAnswer answer = Ask(sub, body);
        EXPECT_EQ(ToHex(answer.bytes), ToHex(StationReply(sub, m_transaction, replyBody))) << body;
    }

    // The card state the station answers to Query Card; 0 when the answer is not one.
    std::uint32_t QueryCard() {
        const test::StationAnswer answer = Ask(0x07, "58");
        const auto* query = answer.As<CMsgQueryCard>();
        return query == nullptr ? 0 : query->GetResult();
    }

    // Asks until the station reports `state`; the monitor sees a change within a few daemon polls.
    bool WaitForCardState(std::uint32_t state) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (QueryCard() != state) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    std::string m_reader;
    test::CStationRecorder m_recorder;
    std::uint16_t m_port = 0;
    std::uint16_t m_transaction = 0;
    std::unique_ptr<CKeyStation> m_station;
    std::unique_ptr<test::CHostPeer> m_host;
};

TEST_F(PcscRestartTest, TheStationFollowsTheCardAcrossARestartOfThePcscService) {
    lab::CLab& lab = *CLabEnvironment::Lab();
    EXPECT_EQ(QueryCard(), 3U);

    lab.StopDaemon();
    EXPECT_TRUE(WaitForCardState(16)) << "the card state did not become unknown";
    // The card cannot be reached, and the station says so instead of answering for it.
    const test::StationAnswer lost = Ask(0x05, kReadBinary);
    ASSERT_NE(lost.As<CMsgProcess>(), nullptr) << lost.error;
    EXPECT_NE(lost.As<CMsgProcess>()->GetReturnCode(), 0U);

    lab.RestartDaemon();
    EXPECT_TRUE(WaitForCardState(1)) << "the monitor did not resume after the restart";
    lab.Insert(m_reader, g_card);
    EXPECT_TRUE(WaitForCardState(2));
    Expect(0x01, kResetCard, "00 00 00 00 00 05 3B 80 80 01 01");
    EXPECT_EQ(QueryCard(), 3U);
    Expect(0x05, kSelectEf, "30 00 00 00 06 00 00 00 00 90 00");
    Expect(0x05, kReadBinary, "30 00 00 00 0A 00 00 00 00 00 01 02 03 90 00");

    lab.Remove(m_reader);
    EXPECT_TRUE(WaitForCardState(1));
    lab.Insert(m_reader, g_card);
    EXPECT_TRUE(WaitForCardState(2));
    EXPECT_TRUE(m_recorder.WaitForStatus(*m_station, StationStatus::Waiting));
    Expect(0x01, kResetCard, "00 00 00 00 00 05 3B 80 80 01 01");

    // With the service gone again the station still stops at once (its monitor waits for nothing).
    lab.StopDaemon();
    EXPECT_TRUE(WaitForCardState(16));
    m_host.reset();
    EXPECT_TRUE(m_station->Stop());
    EXPECT_EQ(m_station->GetStatus(), StationStatus::Stopped);
    lab.RestartDaemon();
    lab.Insert(m_reader, g_card);
}

}  // namespace

namespace lab {
std::unique_ptr<CLabEnvironment> MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Restart"}, [](CLab& lab) {
        g_card = MakeContactCard(Transport::T1);
        lab.Insert(lab.ReaderName(0, 0), g_card);
    });
}
}  // namespace lab

}  // namespace tessaly
