// Key stations against the virtual card lab over real TCP and PC/SC: every kind of command answered
// to the byte, what the card saw, the state a station keeps between commands (transmission settings,
// resend count, card state), rejected and oversized packets, what the list shows, start and stop,
// refused clients, stations in parallel, and the document over a private registry.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <tuple>

#include "common/Format.h"
#include "common/registry/Registry.h"
#include "keystations/BrantwickDoc.h"
#include "keystations/KeyStation.h"
#include "lab/IsoCard.h"
#include "protocol/cipher/CipherEnvelope.h"
#include "protocol/outgoing/ContactlessAcks.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "tests/keystations/HostPeer.h"
#include "tests/keystations/StationRecorder.h"
#include "tests/registry/TempRegistry.h"
#include "tests/support/LabGTest.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using lab::CLabEnvironment;
using test::Hex;
using test::HostRequest;
using test::StationReply;
using test::ToHex;
using namespace std::chrono_literals;

std::shared_ptr<lab::CIsoCard> g_t0Card;     // "Lab Contact 00 00"
std::shared_ptr<lab::CIsoCard> g_t1Card;     // "Lab Contact 00 01"
std::shared_ptr<lab::CIsoCard> g_spareCard;  // "Lab Spare 00 00"; "Lab Spare 00 01" stays empty

const std::string& Reader(std::size_t device, int slot) {
    return CLabEnvironment::Lab()->ReaderName(device, slot);
}

}  // namespace

namespace lab {
std::unique_ptr<CLabEnvironment> MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Contact", "Lab Spare"},
                                             [](CLab& lab) {
                                                 g_t0Card = MakeContactCard(Transport::T0);
                                                 g_t1Card = MakeContactCard(Transport::T1);
                                                 g_spareCard = MakeContactCard(Transport::T1);
                                                 lab.InsertAll({{lab.ReaderName(0, 0), g_t0Card},
                                                                {lab.ReaderName(0, 1), g_t1Card},
                                                                {lab.ReaderName(1, 0), g_spareCard}});
                                             });
}
}  // namespace lab

namespace {

const char* const kT1Atr = "00 05 3B 80 80 01 01";
const CByteArray kKeepAlive = HostRequest(0x13, 0x1234, "");
const CByteArray kKeepAliveReply = StationReply(0x13, 0x1234, "");
// Request sub-command and body; reply sub-command and body. Sent with transaction number 4711.
using Row = std::tuple<std::uint8_t, std::string, std::uint8_t, std::string>;

class StationLabTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESSALY_NEED_LAB();
        for (const auto& card : {g_t0Card, g_t1Card, g_spareCard}) {
            card->ClearAnswers();
            card->ClearRecord();
        }
    }
    void TearDown() override {
        m_host.reset();
        m_station.reset();
    }
    // A started station on `reader` and a connected host.
    void Open(const std::string& reader, StationOptions options = {}) {
        m_host.reset();
        m_station.reset();
        m_port = test::FreePort();
        m_station = std::make_unique<CKeyStation>(reader, m_port, std::move(options));
        m_station->SetObserver(&m_recorder);
        ASSERT_TRUE(m_station->Start()) << m_station->GetStatusName();
        m_host = std::make_unique<test::CHostPeer>(m_port);
        ASSERT_TRUE(m_recorder.WaitForStatus(*m_station, StationStatus::Connected));
    }
    void Expect(const std::vector<Row>& rows) {
        for (const auto& [sub, body, replySub, reply] : rows) {
            EXPECT_EQ(ToHex(m_host->Exchange(HostRequest(sub, 0x4711, body)).bytes),
                      ToHex(StationReply(replySub, 0x4711, reply)))
                << "request " << std::hex << int(sub) << ": " << body;
        }
    }

    test::CStationRecorder m_recorder;
    std::uint16_t m_port = 0;
    std::unique_ptr<CKeyStation> m_station;
    std::unique_ptr<test::CHostPeer> m_host;
};

TEST_F(StationLabTest, EveryKindOfCommandIsAnsweredToTheByte) {
    Open(Reader(0, 1));
    CByteArray envelope;  // Diversify Keys: an empty block under the development key
    ASSERT_TRUE(EncryptEnvelope(CCipherContext(DevelopmentStationKey()), {}, envelope));
    Expect({
        {0x02, "58 00 04 00 00 13 88", 0x02, "00 00 00 00"},                       // Set Voltage
        {0x03, "58 00 05 00 10 11 00 00", 0x03, "00 00 00 00 11 00 00 25 80"},     // Issue PPS
        {0x08, "58 05", 0x08, ""},                                                 // Set NAD
        {0x17, "18", 0x17, "00 00 00 88"},                                         // MIFARE type
        {0x30, "43 00 00", 0x30, "00 00 00 88 00 00"},                             // PICC Reset
        {0x36, "43 00 02 01 02", 0x36, "00 00 00 88 00 08 " + ToHex(envelope)},    // Diversify Keys
        {0x0D, "FF 18 00 01 11", 0x0D, "00 07 36 00 00 00 00 FF 18"},              // Serial Memory
        {0x0E, "FF 00 00", 0x0E, "36 00 00"},                                      // Bulk Serial
        {0x15, "89 00 00 00 00 00 00 01 00 00", 0x15, "30 00 05 00 00 00 00 00"},  // Simulation
        {0x15, "43 00 00 00 00 00 00 04 00 00", 0x15, "30 00 04 00 00 00 88"},     // ... on the PICC
        {0x0A, "", 0xFF, "F0"},                                     // no answer of its own: Version,
        {0x05, "43 1E 34 00 00 00 05 00 B0 00 00 10", 0xFF, "F0"},  // a Process to the PICC,
        {0xFF, "00", 0xFF, "F0"},                                   // the end of pass-through mode
    });
    // A key request (no pass-through: number 0); a health check in either form gets the long form.
    EXPECT_EQ(ToHex(m_host->Exchange(test::ShortPacket(0x01, Hex("01 00 01 41"))).bytes),
              ToHex(StationReply(0xFF, 0, "F0")));
    for (const CByteArray& request : {test::ShortPacket(0x99, {}), test::LongPacket(0x99, {})}) {
        EXPECT_EQ(ToHex(m_host->Exchange(request).bytes), "00 05 5B 4B 45 59 5D 99 00 00 3F");
    }
    EXPECT_TRUE(g_t1Card->Commands().empty());
    EXPECT_TRUE(m_recorder.WaitForStatus(*m_station, StationStatus::Waiting));
    EXPECT_EQ(m_station->GetTransactionCount(), 16U);
}

// A Bulk Process item: a case 2 Process of `apdu` to the contact station, a check mode and the
// expected result.
std::string Item(const char* apdu, int mode, const std::string& expected = "") {
    const std::size_t result = Hex(expected).size();
    return FormatText(" 00 00 00 %02zX 58 1E 32 00 00 00 05 %s %02X", 13 + (mode == 0 ? 0 : 1 + result), apdu,
                      mode) +
           (mode == 0 ? "" : FormatText(" %02zX ", result) + expected);
}

TEST_F(StationLabTest, ProcessResetsAndReaderAttributesWorkOnTheCard) {
    Open(Reader(0, 1));
    g_t1Card->AnswerPrefix(Hex("80 CA 9F 7F"), Hex("01 02 03 90 00"));
    Expect(
        {{0x05, "58 1E 32 00 00 00 05 80 CA 9F 7F 03", 0x05, "30 00 00 00 09 00 00 00 00 01 02 03 90 00"}});
    g_t1Card->AnswerNext(Hex("6A 82"));  // a card error is an answer like any other
    Expect(
        {{0x05, "58 1E 34 00 00 00 08 00 A4 04 00 02 3F 00 00", 0x05, "30 00 00 00 06 00 00 00 00 6A 82"}});
    EXPECT_EQ(g_t1Card->Commands(),
              (std::vector<CByteArray>{Hex("80 CA 9F 7F 03"), Hex("00 A4 04 00 02 3F 00 00")}));
    const std::string atr = kT1Atr;
    const std::string pps = "00 13 00 00 00 00 00 00 0D FB 00 00 25 80 " + atr;  // 3579 kHz, 9600 baud
    const std::size_t resets = g_t1Card->Count(lab::CardEvent::Kind::Reset);
    Expect({{0x01, "58 00 04 00 00 13 88", 0x01, "00 00 00 00 " + atr}});
    EXPECT_EQ(g_t1Card->Count(lab::CardEvent::Kind::Reset), resets + 1) << "a cold reset resets the card";
    Expect({
        {0x01, "58 00 04 00 00 13 88", 0x01, "00 00 00 00 " + atr},
        {0x0B, "58", 0x0B, "00 00 00 00 " + atr},
        {0x0F, "58 00 00 13 88 00 00 0F A0", 0x0F, pps},
        {0x12, "58 00 00 0F A0", 0x12, pps},
        // Reader attributes: 0 to 6 read, 7 (APDU level) and 8 (GET RESPONSE class) also set, 9 on refused.
        {0x16, "58 00 00", 0x16, "09 30 00 00 00 00 00 00 25 80"},
        {0x16, "58 04 00", 0x16, "09 30 00 00 00 00 00 00 00 16"},
        {0x16, "58 05 00", 0x16, "09 30 00 00 00 00 00 00 00 20"},
        {0x16, "58 03 01 00 00 00 05", 0x16, "05 30 00 00 00 00"},  // no effect
        {0x16, "58 03 00", 0x16, "09 30 00 00 00 00 00 00 00 00"},
        {0x16, "58 07 01 00 00 00 01", 0x16, "05 30 00 00 00 00"},
        {0x16, "58 07 00", 0x16, "09 30 00 00 00 00 00 00 00 01"},
        {0x16, "58 08 01 00 00 00 80", 0x16, "05 30 00 00 00 00"},
        {0x16, "58 08 01 00 00 12 34", 0x16, "05 37 00 00 00 00"},
        {0x16, "58 08 00", 0x16, "09 30 00 00 00 00 00 00 00 80"},
        {0x16, "58 09 00", 0x16, "09 37 00 00 00 00 00 00 00 00"},
        {0x16, "58 09 01 00 00 00 01", 0x16, "05 37 00 00 00 00"},
        {0x16, "43 C8 00", 0x16, "09 37 00 00 00 00 00 00 00 00"},
        {0x0B, "58", 0x0B, "00 00 00 00 " + atr},  // a reset puts 7 and 8 back
        {0x16, "58 07 00", 0x16, "09 30 00 00 00 00 00 00 00 00"},
        {0x16, "58 08 00", 0x16, "09 30 00 00 00 00 00 00 00 00"},
        // Ejected: a Process carries the reader's result, a Bulk Process its failed item.
        {0x06, "58", 0x06, "00 00 00 00"},
        {0x05, "58 1E 32 00 00 00 05 80 CA 9F 7F 03", 0x05, "30 00 00 00 04 80 10 00 03"},
        {0x0C, "00 02" + Item("80 CA 00 01 01", 0) + Item("80 CA 00 02 01", 0), 0x0C,
         "01 00 01 00 07 30 00 00 80 10 00 03"},
    });
    EXPECT_EQ(g_t1Card->Commands().size(), 2U);
}

TEST_F(StationLabTest, Attribute8IsTheGetResponseClassTheCardSees) {
    Open(Reader(0, 0));  // T=0
    const auto process = [&](const char* getResponse) {
        g_t0Card->ClearRecord();
        g_t0Card->AnswerNext(Hex("61 04"));
        g_t0Card->AnswerNext(Hex("01 02 03 04 90 00"));
        Expect({{0x05, "58 1E 32 00 00 00 05 84 CA 00 01 04", 0x05,
                 "30 00 00 00 0A 00 00 00 00 01 02 03 04 90 00"}});
        EXPECT_EQ(g_t0Card->Commands(), (std::vector<CByteArray>{Hex("84 CA 00 01 04"), Hex(getResponse)}));
    };
    process("00 C0 00 00 04");
    Expect({{0x16, "58 08 01 00 00 00 80", 0x16, "05 30 00 00 00 00"}});
    process("80 C0 00 00 04");
    Expect({{0x16, "58 08 01 00 00 FF FF", 0x16, "05 30 00 00 00 00"}});
    process("84 C0 00 00 04");  // the command's own class
    // Not at APDU level: the 61 04 comes back as it is.
    g_t0Card->AnswerNext(Hex("61 04"));
    Expect({{0x16, "58 07 01 00 00 00 01", 0x16, "05 30 00 00 00 00"},
            {0x05, "58 1E 32 00 00 00 05 84 CA 00 01 04", 0x05, "30 00 00 00 06 00 00 00 00 61 04"},
            {0x01, "58 00 04 00 00 13 88", 0x01, "00 00 00 00 00 04 3B 02 14 50"}});
    process("00 C0 00 00 04");  // the reset brought both back
}

TEST_F(StationLabTest, QueryFollowsResetEjectAndRemoval) {
    Open(Reader(1, 0));
    const std::string reset = "00 00 00 00 " + std::string(kT1Atr);
    Expect({{0x07, "58", 0x07, "00 00 00 03"},
            {0x06, "58", 0x06, "00 00 00 00"},
            {0x07, "58", 0x07, "00 00 00 04"},
            {0x01, "58 00 04 00 00 13 88", 0x01, reset},
            {0x07, "58", 0x07, "00 00 00 03"}});
    CLabEnvironment::Lab()->Remove(Reader(1, 0));
    std::this_thread::sleep_for(300ms);  // the presence monitor needs its next status change
    Expect({{0x07, "58", 0x07, "00 00 00 01"},
            {0x01, "58 00 04 00 00 13 88", 0x01, "80 10 00 0C 00 00"},  // the failed connect
            {0x0B, "58", 0x0B, "80 10 00 03 00 00"}});
    CLabEnvironment::Lab()->Insert(Reader(1, 0), g_spareCard);
    std::this_thread::sleep_for(300ms);
    Expect({{0x07, "58", 0x07, "00 00 00 02"}, {0x01, "58 00 04 00 00 13 88", 0x01, reset}});
}

TEST_F(StationLabTest, BulkProcessChecksAndStopsAtTheFirstFailure) {
    Open(Reader(0, 1));
    for (const char* prefix : {"80 CA 00 01", "80 CA 00 02", "80 CA 00 03"}) {
        g_t1Card->AnswerPrefix(Hex(prefix), Hex(prefix == std::string("80 CA 00 02") ? "6A 82" : "01 90 00"));
    }
    const std::string ok1 = " 00 0A 30 00 00 00 00 00 00 01 90 00";
    const std::string failed = " 00 09 30 00 00 00 00 00 00 6A 82";
    Expect({
        {0x0C,
         "00 03" + Item("80 CA 00 01 01", 2, "90 00") + Item("80 CA 00 02 01", 2, "90 00") +
             Item("80 CA 00 03 01", 0),
         0x0C, "01 00 02" + ok1 + failed},
        {0x0C, "00 02" + Item("80 CA 00 01 01", 1, "01 90 00") + Item("80 CA 00 02 01", 0), 0x0C,
         "00 00 02" + ok1 + failed},
        {0x0C, "00 01" + Item("80 CA 00 01 01", 1, "01 90"), 0x0C, "01 00 01" + ok1},  // longer than expected
        {0x0C, "00 01" + Item("80 CA 00 01 01", 2, "90"), 0x0C, "01 00 01" + ok1},     // a short expectation
        {0x0C, "00 02" + Item("80 CA 00 01 01", 2, "90 01") + Item("80 CA 00 02 01", 0), 0x0C,
         "01 00 01" + ok1},  // both status bytes count
        {0x0C, "00 02" + Item("80 CA 00 01 01", 3, "00") + Item("80 CA 00 01 01", 0), 0x0C,
         "00 00 01" + ok1},  // an unknown check mode adds nothing
        {0x0C, "00 00", 0x0C, "00 00 00"},
    });
    EXPECT_EQ(g_t1Card->Commands().size(), 9U);  // the third item of the first was not sent
}

TEST_F(StationLabTest, ResendsAreCountedUntilTheFifthStopsTheStation) {
    Open(Reader(0, 1));
    const Row resend{0x10, "05 91", 0x10, "05 91"};
    const Row exceeded{0x10, "05 91", 0xFF, "01"};
    Expect({resend, resend});
    EXPECT_EQ(ToHex(m_host->Exchange(test::ShortPacket(0x99, {})).bytes), "00 05 5B 4B 45 59 5D 99 00 00 3F");
    Expect({resend, exceeded});  // a health check does not break the run; a keep-alive does
    Expect({{0x13, "", 0x13, ""}, resend, resend});
    m_host = std::make_unique<test::CHostPeer>(m_port);  // nor does a new connection
    Expect({resend, exceeded, {0x10, "05 91", 0xFF, "F0"}});
    // The fifth was answered; then the connection and the port close.
    EXPECT_TRUE(m_host->WaitForClose(3s));
    EXPECT_TRUE(m_recorder.WaitForStatus(*m_station, StationStatus::Stopped));
    EXPECT_FALSE(test::CHostPeer(m_port, 0ms).IsConnected());
}

TEST_F(StationLabTest, AnAnswerTooLongForTheShortFrameTravelsInTheWideFrame) {
    Open(Reader(0, 1));
    const test::StationAnswer answer =
        m_host->Exchange(HostRequest(0x15, 5, "58 00 00 00 00 00 FF FF 00 00"));
    ASSERT_FALSE(answer.bytes.empty()) << answer.error;
    EXPECT_EQ(answer.bytes[0], kFrameWide);
    ASSERT_NE(answer.As<CMsgCardCommandSimulation>(), nullptr) << answer.error;
    EXPECT_EQ(answer.As<CMsgCardCommandSimulation>()->GetData().size(), 65531U);
    EXPECT_EQ(answer.transaction, 5U);
}

// The AllowedClients filter of a setting text.
std::shared_ptr<const CClientFilter> Clients(const char* text) {
    CString error;
    return std::make_shared<const CClientFilter>(*CClientFilter::Parse(text, error));
}

TEST_F(StationLabTest, RejectedPacketsAreAnsweredAndAnOversizedOneClosesTheConnection) {
    Open(Reader(0, 1));
    CByteArray badChecksum = kKeepAlive;
    badChecksum.back() ^= 0x01;
    // Before anything parsed, a rejection carries number 0; then the number of the last that did.
    EXPECT_EQ(ToHex(m_host->Exchange(badChecksum).bytes), ToHex(StationReply(0xFF, 0, "F1")));
    // Two in one segment: only the first is answered.
    EXPECT_EQ(m_host->Exchange(test::Joined({kKeepAlive, badChecksum})).bytes, kKeepAliveReply);
    EXPECT_TRUE(m_host->Silent(300ms));
    const std::pair<CByteArray, const char*> cases[] = {
        {badChecksum, "F1"},
        {test::LongPacket(0x02, {}), "F0"},
        {HostRequest(0x11, 0x5555, ""), "F0"},       // an unknown sub-command
        {Hex("04 00 00 04"), "F2"},                  // a short form of a long-only command
        {Hex("7E 00 00 00"), "F2"},                  // a foreign frame type with a bad checksum
        {HostRequest(0x16, 0x5555, "58 05"), "F2"},  // a body too short for its command
        {test::LongPacket(0x0A, Hex("13")), "F2"},   // a pass-through without its sub-header
    };
    for (const auto& [packet, reason] : cases) {
        EXPECT_EQ(ToHex(m_host->Exchange(packet).bytes), ToHex(StationReply(0xFF, 0x1234, reason))) << reason;
        EXPECT_EQ(m_station->GetTransactionCount(), 1U);
        EXPECT_EQ(m_station->GetStatus(), StationStatus::ProcessingCommand);
    }
    EXPECT_EQ(m_host->Exchange(HostRequest(0x13, 0x0077, "")).bytes, StationReply(0x13, 0x0077, ""));
    // Payload length 0x2000: 8203 bytes announced, over what a station takes. Answered, then closed.
    CByteArray big = Hex("00 10 30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46 0A 20 00 05");
    big.resize(4000, 0x00);
    EXPECT_EQ(ToHex(m_host->Exchange(big).bytes), ToHex(StationReply(0xFF, 0x0077, "F2")));
    EXPECT_TRUE(m_host->WaitForClose(2s));
    EXPECT_TRUE(m_recorder.WaitForStatus(*m_station, StationStatus::Waiting));
    EXPECT_EQ(m_station->GetTransactionCount(), 2U);
    test::CHostPeer next(m_port);
    EXPECT_EQ(next.Exchange(kKeepAlive).bytes, kKeepAliveReply);
}

TEST_F(StationLabTest, TheListShowsClientAndCountAndOneClientIsServedAtATime) {
    Open(Reader(0, 1));
    const StationDisplay display = m_station->GetDisplay();
    EXPECT_EQ(display.status, StationStatus::Connected);
    EXPECT_EQ(display.clientAddress, "127.0.0.1");
    EXPECT_EQ(display.clientPort, m_host->LocalPort());
    EXPECT_EQ(display.transactionCount, 0U);
    test::CHostPeer second(m_port);  // taken into the listen backlog
    ASSERT_TRUE(second.Send(kKeepAlive));
    EXPECT_TRUE(second.Silent(300ms));
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(m_host->Exchange(kKeepAlive).bytes, kKeepAliveReply);
    }
    EXPECT_TRUE(m_recorder.WaitForStatus(*m_station, StationStatus::Waiting));
    EXPECT_EQ(m_station->GetTransactionCount(), 12U);
    m_host.reset();
    EXPECT_EQ(second.Receive().bytes, kKeepAliveReply);
    EXPECT_EQ(m_station->GetClientPort(), second.LocalPort());
    // A client that leaves without a word: the status and the client stay; the next one is taken.
    second.Close();
    test::CHostPeer silent(m_port);
    ASSERT_TRUE(m_recorder.WaitForStatus(*m_station, StationStatus::Connected));
    silent.Close();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(m_station->GetStatus(), StationStatus::Connected);
    test::CHostPeer next(m_port);
    EXPECT_EQ(next.Exchange(kKeepAlive).bytes, kKeepAliveReply);
    EXPECT_TRUE(m_recorder.WaitForStatus(*m_station, StationStatus::Waiting));
    EXPECT_EQ(m_station->GetTransactionCount(), 14U);
    for (int id : m_recorder.Changes()) {
        EXPECT_EQ(id, m_station->GetStationId());
    }
}

TEST_F(StationLabTest, StopEndsIdleAndBusyStationsAndFreesThePort) {
    CKeyStation idle(Reader(0, 1), test::FreePort());  // no client
    ASSERT_TRUE(idle.Start());
    EXPECT_TRUE(idle.Stop());
    Open(Reader(0, 1));
    EXPECT_EQ(m_host->Exchange(kKeepAlive).bytes, kKeepAliveReply);
    EXPECT_TRUE(m_station->Stop());  // with a client that sends nothing
    EXPECT_EQ(m_station->GetStatus(), StationStatus::Stopped);
    EXPECT_TRUE(m_host->WaitForClose(1s));
    EXPECT_FALSE(m_station->Stop());
    CKeyStation again(Reader(0, 1), m_port);  // at once, while the old connection may linger
    ASSERT_TRUE(again.Start()) << again.GetStatusName();
    EXPECT_EQ(test::CHostPeer(m_port).Exchange(kKeepAlive).bytes, kKeepAliveReply);
    // A Card Command Simulation that would wait 24 days does not hold a stop up.
    Open(Reader(0, 0));
    ASSERT_TRUE(m_host->Send(HostRequest(0x15, 1, "58 00 7F FF FF FF 00 01 00 00")));
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(m_station->Stop());
}

TEST_F(StationLabTest, StartFailuresOpenNoPortAndStay) {
    platform::CSocket taken = platform::CSocket::CreateTcp();
    const std::uint16_t takenPort = test::FreePort();
    ASSERT_TRUE(taken.BindAny(takenPort) && taken.Listen(1));
    const std::tuple<std::string, StationOptions, StationStatus, std::uint16_t> cases[] = {
        {"No Such Reader 00 00", {}, StationStatus::CardFailed, test::FreePort()},
        {Reader(1, 1), {}, StationStatus::CardFailed, test::FreePort()},  // no card
        {Reader(0, 1), {"192.0.2.1", nullptr, nullptr}, StationStatus::SocketFailed, test::FreePort()},
        {Reader(0, 1), {}, StationStatus::SocketFailed, takenPort},
    };
    for (const auto& [reader, options, status, stationPort] : cases) {
        CKeyStation failed(reader, stationPort, options);
        EXPECT_FALSE(failed.Start());
        EXPECT_EQ(failed.GetStatus(), status) << reader << " " << options.bindAddress;
        EXPECT_EQ(test::CHostPeer(stationPort, 0ms).IsConnected(), stationPort == takenPort);
        EXPECT_FALSE(failed.Start());
        EXPECT_FALSE(failed.Stop());
    }
}

TEST_F(StationLabTest, ClientsOutsideAllowedClientsAreClosedAndLogged) {
    m_port = test::FreePort();
    m_station = std::make_unique<CKeyStation>(Reader(0, 1), m_port,
                                              StationOptions{{}, Clients("10.0.0.0/8"), nullptr});
    m_station->SetObserver(&m_recorder);
    ASSERT_TRUE(m_station->Start());
    test::CHostPeer refused(m_port);
    EXPECT_TRUE(refused.WaitForClose(2s));
    ASSERT_TRUE(m_recorder.WaitForLog(1));
    EXPECT_EQ(m_recorder.Log()[0].stationId, m_station->GetStationId());
    EXPECT_EQ(m_recorder.Log()[0].text,
              FormatText("Refused client 127.0.0.1:%u on port %u: not in AllowedClients",
                         static_cast<unsigned>(refused.LocalPort()), static_cast<unsigned>(m_port)));
    EXPECT_EQ(m_station->GetStatus(), StationStatus::Waiting);
    EXPECT_EQ(m_station->GetClientAddress(), "");
    // Allowed, on a station that listens on the loopback address only.
    Open(Reader(0, 1), {"127.0.0.1", Clients("10.0.0.0/8 127.0.0.0/8"), nullptr});
    EXPECT_EQ(m_host->Exchange(kKeepAlive).bytes, kKeepAliveReply);
}

TEST_F(StationLabTest, TwoStationsServeTwoHostsInParallel) {
    g_t1Card->AnswerPrefix(Hex("80 CA"), Hex("0A 90 00"));
    g_spareCard->AnswerPrefix(Hex("80 CA"), Hex("0B 90 00"));
    constexpr int kCommands = 200;
    const std::pair<std::string, const char*> readers[] = {{Reader(0, 1), "0A 90 00"},
                                                           {Reader(1, 0), "0B 90 00"}};
    std::vector<std::unique_ptr<CKeyStation>> stations;
    std::vector<std::thread> hosts;
    int good[2] = {0, 0};
    for (std::size_t i = 0; i < 2; ++i) {
        const std::uint16_t stationPort = test::FreePort();
        stations.push_back(std::make_unique<CKeyStation>(readers[i].first, stationPort));
        ASSERT_TRUE(stations.back()->Start());
        hosts.emplace_back([&, i, stationPort] {
            test::CHostPeer peer(stationPort);
            for (int n = 0; n < kCommands; ++n) {
                const auto number = static_cast<std::uint16_t>(n);
                good[i] +=
                    peer.Exchange(HostRequest(0x05, number, "58 1E 32 00 00 00 05 80 CA 00 00 01")).bytes ==
                    StationReply(0x05, number,
                                 std::string("30 00 00 00 07 00 00 00 00 ") + readers[i].second);
            }
        });
    }
    for (std::size_t i = 0; i < 2; ++i) {
        hosts[i].join();
        EXPECT_EQ(good[i], kCommands);
        for (int wait = 0; wait < 400 && stations[i]->GetTransactionCount() < kCommands; ++wait) {
            std::this_thread::sleep_for(5ms);  // the count follows the reply
        }
        EXPECT_EQ(stations[i]->GetTransactionCount(), static_cast<std::uint32_t>(kCommands));
    }
}

TEST_F(StationLabTest, TheDocumentStartsTheRegistrysStationsAndReadsItsSettingsAtEveryStart) {
    test::CTempRegistry registry;
    const std::uint16_t stationPort = test::FreePort();
    ASSERT_TRUE(
        SaveConfiguration(kBrantwickKey, {{Reader(0, 1), static_cast<std::int16_t>(stationPort)},
                                          {"No Such Reader", static_cast<std::int16_t>(test::FreePort())}}));
    CBrantwickDoc document;
    document.SetObserver(&m_recorder);
    ASSERT_TRUE(document.StartStations()) << document.StartError();
    ASSERT_EQ(document.Stations().size(), 2U);
    const int firstId = document.Stations()[0]->GetStationId();
    EXPECT_EQ(document.Stations()[1]->GetStationId(), firstId + 1);
    EXPECT_EQ(document.Stations()[0]->GetStatus(), StationStatus::Waiting);
    EXPECT_EQ(document.Stations()[1]->GetStatus(), StationStatus::CardFailed);
    EXPECT_EQ(document.FindStation(firstId + 1), document.Stations()[1].get());
    ASSERT_TRUE(m_recorder.WaitForLog(1));  // the development key, once per start
    EXPECT_EQ(m_recorder.Log()[0].stationId, 0);
    EXPECT_NE(m_recorder.Log()[0].text.find("StationKey is not set"), CString::npos);

    const CString key = "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123";
    ASSERT_TRUE(WriteRegistryString(CString(kBrantwickKey) + "\\StationKey", key, false));
    test::CHostPeer peer(stationPort);
    EXPECT_EQ(peer.Exchange(kKeepAlive).bytes, kKeepAliveReply);
    ASSERT_TRUE(document.RestartStations());  // with the client still connected
    EXPECT_TRUE(peer.WaitForClose(2s));
    EXPECT_EQ(document.Stations()[0]->GetStationId(), firstId + 2);
    EXPECT_EQ(document.Stations()[1]->GetStationId(), firstId + 3);
    EXPECT_EQ(document.FindStation(firstId), nullptr);
    // The new key enciphers Diversify Keys replies, and is no longer warned about.
    const test::StationAnswer answer =
        test::CHostPeer(stationPort).Exchange(HostRequest(0x36, 3, "43 00 00"));
    const auto* reply = answer.As<CMsgDiversifyKeys>();
    ASSERT_NE(reply, nullptr) << answer.error;
    EXPECT_EQ(reply->GetReturnCode(), 0x88U);
    CByteArray plain{0xEE};
    EXPECT_TRUE(DecryptEnvelope(CCipherContext(*ParseStationKey(key)), reply->GetData(), plain));
    EXPECT_TRUE(plain.empty());
    EXPECT_EQ(m_recorder.Log().size(), 1U);
}

}  // namespace
}  // namespace tessaly
