// The station server over real TCP, with cards of the virtual card lab: rejected, cut and oversized
// packets, what the station list shows, starting and stopping (failures, idle clients, restarts),
// refused clients, stations in parallel, and the document over a private registry.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "protocol/cipher/CipherEnvelope.h"
#include "common/Format.h"
#include "common/registry/Registry.h"
#include "keystations/BrantwickDoc.h"
#include "keystations/KeyStation.h"
#include "protocol/outgoing/ContactlessAcks.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "tests/keystations/HostPeer.h"
#include "tests/keystations/StationRecorder.h"
#include "lab/IsoCard.h"
#include "tests/support/LabGTest.h"
#include "tests/registry/TempRegistry.h"
#include "tests/support/TestPackets.h"

namespace tessaly {

namespace {

using Clock = std::chrono::steady_clock;
using lab::CLabEnvironment;
using test::Hex;
using test::HostRequest;
using test::StationReply;
using test::ToHex;

std::shared_ptr<lab::CIsoCard> g_cardA;
std::shared_ptr<lab::CIsoCard> g_cardB;
std::shared_ptr<lab::CIsoCard> g_cardC;

const std::string& Reader(std::size_t device, int slot) {
    return CLabEnvironment::Lab()->ReaderName(device, slot);
}

}  // namespace

namespace lab {
std::unique_ptr<CLabEnvironment> MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Server", "Lab Other"},
                                             [](CLab& lab) {
                                                 g_cardA = MakeContactCard(Transport::T1);
                                                 g_cardB = MakeContactCard(Transport::T1);
                                                 g_cardC = MakeContactCard(Transport::T1);
                                                 // "Lab Other 00 01" stays empty.
                                                 lab.InsertAll({{lab.ReaderName(0, 0), g_cardA},
                                                                {lab.ReaderName(0, 1), g_cardB},
                                                                {lab.ReaderName(1, 0), g_cardC}});
                                             });
}
}  // namespace lab

namespace {

const CByteArray kKeepAlive = HostRequest(0x13, 0x1234, "");

class StationServerTest : public ::testing::Test {
protected:
    void SetUp() override { TESSALY_NEED_LAB(); }

    // A started station on `reader` and a connected host.
    void Open(const std::string& reader, StationOptions options = {}) {
        port = test::FreePort();
        station = std::make_unique<CKeyStation>(reader, port, std::move(options));
        station->SetObserver(&recorder);
        ASSERT_TRUE(station->Start()) << station->GetStatusName();
        host = std::make_unique<test::CHostPeer>(port);
        ASSERT_TRUE(host->IsConnected());
        ASSERT_TRUE(recorder.WaitForStatus(*station, StationStatus::Connected));
    }

    void TearDown() override {
        host.reset();
        station.reset();
    }

    test::CStationRecorder recorder;
    std::uint16_t port = 0;
    std::unique_ptr<CKeyStation> station;
    std::unique_ptr<test::CHostPeer> host;
};

struct Rejected {
    const char* what;
    CByteArray packet;
    const char* reason;
};

TEST_F(StationServerTest, RejectedPacketsAreAnsweredAndTheConnectionStaysUsable) {
    Open(Reader(0, 0));
    // Before anything parsed, a rejection carries transaction number 0.
    EXPECT_EQ(ToHex(host->Exchange(Hex("00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CC")).bytes),
              ToHex(StationReply(0xFF, 0, "F1")));
    EXPECT_EQ(ToHex(host->Exchange(kKeepAlive).bytes), ToHex(StationReply(0x13, 0x1234, "")));

    CByteArray badChecksum = HostRequest(0x13, 0x5555, "");
    badChecksum.back() ^= 0x01;
    const Rejected cases[] = {
        {"checksum", badChecksum, "F1"},
        {"unknown command 02", test::LongPacket(0x02, {}), "F0"},
        {"unknown command 0B", test::LongPacket(0x0B, Hex("00")), "F0"},
        {"unknown sub-command 11", HostRequest(0x11, 0x5555, ""), "F0"},
        {"unknown sub-command 3B", HostRequest(0x3B, 0x5555, "00"), "F0"},
        {"short form of a long-only command", Hex("04 00 00 04"), "F2"},
        {"foreign frame type and bad checksum", Hex("7E 00 00 00"), "F2"},
        {"body too short for its command", HostRequest(0x16, 0x5555, "58 05"), "F2"},
        {"pass-through without sub-header", test::LongPacket(0x0A, Hex("13")), "F2"},
    };
    for (const Rejected& c : cases) {
        SCOPED_TRACE(c.what);
        const test::StationAnswer answer = host->Exchange(c.packet);
        // The transaction number is the last one that parsed.
        EXPECT_EQ(ToHex(answer.bytes), ToHex(StationReply(0xFF, 0x1234, c.reason)));
        ASSERT_NE(answer.As<CMsgPassThroughModeFinish>(), nullptr) << answer.error;
        const char* text = c.reason == std::string("F0")   ? "Unknown command."
                           : c.reason == std::string("F1") ? "Checksum error in command packet."
                                                           : "Command packet is corrupted.";
        EXPECT_EQ(answer.message->Describe(),
                  (CStringArray{"Command", "Card processing Finished", "Reason", text}));
        EXPECT_EQ(station->GetTransactionCount(), 1U);
        EXPECT_EQ(station->GetStatus(), StationStatus::ProcessingCommand);
    }
    EXPECT_EQ(ToHex(host->Exchange(HostRequest(0x13, 0x0077, "")).bytes),
              ToHex(StationReply(0x13, 0x0077, "")));
    EXPECT_TRUE(recorder.WaitForStatus(*station, StationStatus::Waiting));
    EXPECT_EQ(station->GetTransactionCount(), 2U);
}

TEST_F(StationServerTest, APacketInPiecesIsJoined) {
    Open(Reader(0, 0));
    g_cardA->AnswerPrefix(Hex("80 CA"), Hex("01 02 90 00"));
    const CByteArray packet = HostRequest(0x05, 0x0101, "58 1E 32 00 00 00 05 80 CA 9F 7F 02");
    const std::vector<std::vector<std::size_t>> cuts = {
        {1}, {3, 9}, {10}, {packet.size() - 1}, {2, 4, 8, 16}};
    for (const auto& cut : cuts) {
        std::vector<CByteArray> pieces;
        std::size_t from = 0;
        for (std::size_t at : cut) {
            pieces.emplace_back(packet.begin() + static_cast<std::ptrdiff_t>(from),
                                packet.begin() + static_cast<std::ptrdiff_t>(at));
            from = at;
        }
        pieces.emplace_back(packet.begin() + static_cast<std::ptrdiff_t>(from), packet.end());
        ASSERT_TRUE(host->SendPieces(pieces, std::chrono::milliseconds(40)));
        EXPECT_EQ(ToHex(host->Receive().bytes),
                  ToHex(StationReply(0x05, 0x0101, "30 00 00 00 08 00 00 00 00 01 02 90 00")));
    }
    g_cardA->ClearAnswers();
}

TEST_F(StationServerTest, ARestLaterThanHalfASecondMakesTheFirstPieceCorrupt) {
    Open(Reader(0, 0));
    (void)host->Exchange(kKeepAlive);
    const CByteArray packet = HostRequest(0x13, 0x0202, "");
    const auto start = Clock::now();
    ASSERT_TRUE(host->Send(CByteArray(packet.begin(), packet.begin() + 8)));
    const test::StationAnswer answer = host->Receive();
    const auto waited = Clock::now() - start;
    EXPECT_EQ(ToHex(answer.bytes), ToHex(StationReply(0xFF, 0x1234, "F2")));
    EXPECT_GE(waited, std::chrono::milliseconds(450));
    EXPECT_LT(waited, std::chrono::milliseconds(1500));
}

TEST_F(StationServerTest, OnlyTheFirstOfTwoPacketsInOneSegmentIsAnswered) {
    Open(Reader(0, 0));
    CByteArray two = HostRequest(0x13, 0x0001, "");
    const CByteArray second = test::ShortPacket(0x99, {});
    two.insert(two.end(), second.begin(), second.end());
    const test::StationAnswer answer = host->Exchange(two);
    EXPECT_EQ(ToHex(answer.bytes), ToHex(StationReply(0x13, 0x0001, "")));
    EXPECT_TRUE(host->Silent(std::chrono::milliseconds(300)));
    EXPECT_EQ(ToHex(host->Exchange(second).bytes), "00 05 5B 4B 45 59 5D 99 00 00 3F");
}

TEST_F(StationServerTest, AnOversizedPacketIsAnsweredAndItsConnectionClosed) {
    Open(Reader(0, 0));
    (void)host->Exchange(kKeepAlive);
    // Payload length 0x2000: 8203 bytes in all, over the 8192 a station takes.
    CByteArray big = Hex("00 10 30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46 0A 20 00 05");
    big.resize(4000, 0x00);
    const test::StationAnswer answer = host->Exchange(big);
    EXPECT_EQ(ToHex(answer.bytes), ToHex(StationReply(0xFF, 0x1234, "F2")));
    EXPECT_TRUE(host->WaitForClose(std::chrono::seconds(2)));
    EXPECT_EQ(station->GetTransactionCount(), 1U);
    EXPECT_TRUE(recorder.WaitForStatus(*station, StationStatus::Waiting));
    // The station serves the next client.
    host = std::make_unique<test::CHostPeer>(port);
    EXPECT_EQ(ToHex(host->Exchange(kKeepAlive).bytes), ToHex(StationReply(0x13, 0x1234, "")));
}

TEST_F(StationServerTest, TheListShowsClientAndCount) {
    Open(Reader(0, 0));
    StationDisplay display = station->GetDisplay();
    EXPECT_EQ(display.status, StationStatus::Connected);
    EXPECT_EQ(display.clientAddress, "127.0.0.1");
    EXPECT_EQ(display.clientPort, host->LocalPort());
    EXPECT_EQ(display.transactionCount, 0U);
    for (int i = 0; i < 12; ++i) {
        (void)host->Exchange(kKeepAlive);
    }
    EXPECT_TRUE(recorder.WaitForStatus(*station, StationStatus::Waiting));
    EXPECT_EQ(station->GetTransactionCount(), 12U);

    // A client that leaves without a word: the status and client stay, the next client is taken.
    const std::uint16_t firstPort = host->LocalPort();
    host.reset();
    test::CHostPeer silent(port);
    ASSERT_TRUE(recorder.WaitForStatus(*station, StationStatus::Connected));
    EXPECT_EQ(station->GetClientPort(), silent.LocalPort());
    EXPECT_NE(station->GetClientPort(), firstPort);
    silent.Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(station->GetStatus(), StationStatus::Connected);
    test::CHostPeer next(port);
    EXPECT_EQ(ToHex(next.Exchange(kKeepAlive).bytes), ToHex(StationReply(0x13, 0x1234, "")));
    EXPECT_TRUE(recorder.WaitForStatus(*station, StationStatus::Waiting));
    EXPECT_EQ(station->GetTransactionCount(), 13U);

    // Every change was reported under the station's id.
    for (int id : recorder.Changes()) {
        EXPECT_EQ(id, station->GetStationId());
    }
}

TEST_F(StationServerTest, StopEndsAThreadWhoseClientIsIdle) {
    Open(Reader(0, 0));
    (void)host->Exchange(kKeepAlive);
    const auto start = Clock::now();
    EXPECT_TRUE(station->Stop());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(station->GetStatus(), StationStatus::Stopped);
    EXPECT_TRUE(host->WaitForClose(std::chrono::seconds(1)));
    EXPECT_FALSE(station->Stop());

    // A station on the same port again, at once, while the old connection may linger.
    CKeyStation again(Reader(0, 0), port);
    EXPECT_TRUE(again.Start()) << again.GetStatusName();
    test::CHostPeer next(port);
    EXPECT_EQ(ToHex(next.Exchange(kKeepAlive).bytes), ToHex(StationReply(0x13, 0x1234, "")));
}

TEST_F(StationServerTest, StopWithoutAClientAndInTheMiddleOfACommand) {
    port = test::FreePort();
    CKeyStation idle(Reader(0, 0), port);
    ASSERT_TRUE(idle.Start());
    auto start = Clock::now();
    EXPECT_TRUE(idle.Stop());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1100));

    // A long Card Command Simulation delay does not hold a stop up.
    Open(Reader(0, 0));
    ASSERT_TRUE(host->Send(HostRequest(0x15, 1, "58 00 00 00 EA 60 00 01 00 00")));  // 60 s
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    start = Clock::now();
    EXPECT_TRUE(station->Stop());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
}

TEST_F(StationServerTest, StartFailures) {
    struct Failure {
        const char* what;
        std::string reader;
        StationOptions options;
        StationStatus status;
    };
    platform::CSocket taken = platform::CSocket::CreateTcp();
    const std::uint16_t takenPort = test::FreePort();
    ASSERT_TRUE(taken.BindAny(takenPort));
    ASSERT_TRUE(taken.Listen(1));

    const Failure cases[] = {
        {"missing reader", "No Such Reader 00 00", {}, StationStatus::CardFailed},
        {"empty reader", Reader(1, 1), {}, StationStatus::CardFailed},
        {"bind address not on this host",
         Reader(0, 0),
         {"192.0.2.1", nullptr, nullptr},
         StationStatus::SocketFailed},
    };
    for (const Failure& c : cases) {
        SCOPED_TRACE(c.what);
        const std::uint16_t free = test::FreePort();
        CKeyStation failed(c.reader, free, c.options);
        EXPECT_FALSE(failed.Start());
        EXPECT_EQ(failed.GetStatus(), c.status);
        EXPECT_FALSE(test::CHostPeer(free, std::chrono::milliseconds(0)).IsConnected());
        EXPECT_FALSE(failed.Start());  // failed stays failed
        EXPECT_FALSE(failed.Stop());
    }
    CKeyStation inUse(Reader(0, 0), takenPort);
    EXPECT_FALSE(inUse.Start());
    EXPECT_STREQ(inUse.GetStatusName(), "SocketFailed");
}

TEST_F(StationServerTest, ABindAddressLimitsWhereTheStationListens) {
    Open(Reader(0, 0), {"127.0.0.1", nullptr, nullptr});
    EXPECT_EQ(ToHex(host->Exchange(kKeepAlive).bytes), ToHex(StationReply(0x13, 0x1234, "")));
}

TEST_F(StationServerTest, ClientsOutsideAllowedClientsAreClosedAndLogged) {
    CString error;
    auto others = std::make_shared<const CClientFilter>(*CClientFilter::Parse("10.0.0.0/8", error));
    port = test::FreePort();
    station = std::make_unique<CKeyStation>(Reader(0, 0), port, StationOptions{{}, others, nullptr});
    station->SetObserver(&recorder);
    ASSERT_TRUE(station->Start());
    test::CHostPeer refused(port);
    ASSERT_TRUE(refused.IsConnected());
    EXPECT_TRUE(refused.WaitForClose(std::chrono::seconds(2)));
    ASSERT_TRUE(recorder.WaitForLog(1));
    const auto log = recorder.Log();
    EXPECT_EQ(log[0].stationId, station->GetStationId());
    EXPECT_EQ(log[0].text,
              FormatText("Refused client 127.0.0.1:%u on port %u: not in AllowedClients",
                         static_cast<unsigned>(refused.LocalPort()), static_cast<unsigned>(port)));
    EXPECT_EQ(station->GetStatus(), StationStatus::Waiting);
    EXPECT_EQ(station->GetClientAddress(), "");
    station.reset();

    auto loopback =
        std::make_shared<const CClientFilter>(*CClientFilter::Parse("10.0.0.0/8 127.0.0.0/8", error));
    Open(Reader(0, 0), {{}, loopback, nullptr});
    EXPECT_EQ(ToHex(host->Exchange(kKeepAlive).bytes), ToHex(StationReply(0x13, 0x1234, "")));
}

TEST_F(StationServerTest, TwoStationsServeTwoHostsInParallel) {
    g_cardA->AnswerPrefix(Hex("80 CA"), Hex("0A 90 00"));
    g_cardB->AnswerPrefix(Hex("80 CA"), Hex("0B 90 00"));
    const std::uint16_t portA = test::FreePort();
    const std::uint16_t portB = test::FreePort();
    CKeyStation a(Reader(0, 0), portA);
    CKeyStation b(Reader(0, 1), portB);
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    constexpr int kCommands = 200;
    auto run = [](std::uint16_t port, const char* data, int* good) {
        test::CHostPeer host(port);
        for (int i = 0; i < kCommands; ++i) {
            const auto transaction = static_cast<std::uint16_t>(i);
            const test::StationAnswer answer =
                host.Exchange(HostRequest(0x05, transaction, "58 1E 32 00 00 00 05 80 CA 00 00 01"));
            if (answer.bytes ==
                StationReply(0x05, transaction, std::string("30 00 00 00 07 00 00 00 00 ") + data)) {
                ++*good;
            }
        }
    };
    int goodA = 0;
    int goodB = 0;
    std::thread hostA(run, portA, "0A 90 00", &goodA);
    std::thread hostB(run, portB, "0B 90 00", &goodB);
    hostA.join();
    hostB.join();
    EXPECT_EQ(goodA, kCommands);
    EXPECT_EQ(goodB, kCommands);
    // The count follows the reply.
    for (const CKeyStation* s : {&a, &b}) {
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (s->GetTransactionCount() < kCommands && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(s->GetTransactionCount(), static_cast<std::uint32_t>(kCommands));
    }
    g_cardA->ClearAnswers();
    g_cardB->ClearAnswers();
}

TEST_F(StationServerTest, OneClientAtATimeOthersWaitInTheBacklog) {
    Open(Reader(0, 0));
    test::CHostPeer second(port);
    ASSERT_TRUE(second.IsConnected());  // taken into the backlog by the system
    ASSERT_TRUE(second.Send(kKeepAlive));
    EXPECT_TRUE(second.Silent(std::chrono::milliseconds(300)));
    EXPECT_EQ(ToHex(host->Exchange(kKeepAlive).bytes), ToHex(StationReply(0x13, 0x1234, "")));
    host.reset();
    EXPECT_EQ(ToHex(second.Receive().bytes), ToHex(StationReply(0x13, 0x1234, "")));
}

class StationDocumentTest : public StationServerTest {
protected:
    void WriteEntry(int index, const std::string& reader, std::uint32_t port) {
        const CString key = CString(kBrantwickKey) + "\\" + FormatText("Server%d", index);
        ASSERT_TRUE(WriteRegistryString(key + "\\ReaderName", reader, false));
        ASSERT_TRUE(WriteRegistryDWord(key + "\\Port", port));
    }

    test::TempRegistry registry;
};

TEST_F(StationDocumentTest, StartsTheRegistrysStationsAndRestartsWithNewIds) {
    const std::uint16_t portA = test::FreePort();
    const std::uint16_t portB = test::FreePort();
    WriteEntry(0, Reader(0, 0), portA);
    WriteEntry(1, "No Such Reader", portB);
    CBrantwickDoc document;
    document.SetObserver(&recorder);
    ASSERT_EQ(document.Entries().size(), 2U);
    ASSERT_TRUE(document.StartStations()) << document.StartError();
    ASSERT_EQ(document.Stations().size(), 2U);
    const int firstId = document.Stations()[0]->GetStationId();
    EXPECT_EQ(document.Stations()[1]->GetStationId(), firstId + 1);
    EXPECT_EQ(document.Stations()[0]->GetStatus(), StationStatus::Waiting);
    EXPECT_EQ(document.Stations()[1]->GetStatus(), StationStatus::CardFailed);
    EXPECT_EQ(document.FindStation(firstId + 1), document.Stations()[1].get());
    // The development key warning, once per start.
    ASSERT_TRUE(recorder.WaitForLog(1));
    EXPECT_EQ(recorder.Log()[0].stationId, 0);
    EXPECT_NE(recorder.Log()[0].text.find("StationKey is not set"), CString::npos);

    {
        test::CHostPeer peer(portA);
        EXPECT_EQ(ToHex(peer.Exchange(kKeepAlive).bytes), ToHex(StationReply(0x13, 0x1234, "")));
        // Restart with the client still connected.
        ASSERT_TRUE(document.RestartStations());
        EXPECT_TRUE(peer.WaitForClose(std::chrono::seconds(2)));
    }
    ASSERT_EQ(document.Stations().size(), 2U);
    EXPECT_EQ(document.Stations()[0]->GetStationId(), firstId + 2);
    EXPECT_EQ(document.Stations()[1]->GetStationId(), firstId + 3);
    EXPECT_EQ(document.FindStation(firstId), nullptr);
    EXPECT_EQ(document.Stations()[0]->GetTransactionCount(), 0U);
    test::CHostPeer peer(portA);
    EXPECT_EQ(ToHex(peer.Exchange(kKeepAlive).bytes), ToHex(StationReply(0x13, 0x1234, "")));
}

TEST_F(StationDocumentTest, TheStationKeyEnciphersDiversifyKeysReplies) {
    const CString keyText = "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123";
    ASSERT_TRUE(WriteRegistryString(CString(kBrantwickKey) + "\\StationKey", keyText, false));
    const std::uint16_t stationPort = test::FreePort();
    CBrantwickDoc document(
        std::vector<KeyStationEntry>{{Reader(0, 0), static_cast<std::int16_t>(stationPort)}});
    document.SetObserver(&recorder);
    ASSERT_TRUE(document.StartStations());
    test::CHostPeer peer(stationPort);
    const test::StationAnswer answer = peer.Exchange(HostRequest(0x36, 3, "43 00 00"));
    const auto* reply = answer.As<CMsgDiversifyKeys>();
    ASSERT_NE(reply, nullptr) << answer.error;
    EXPECT_EQ(reply->GetReturnCode(), 0x88U);
    CByteArray plain{0xEE};
    EXPECT_TRUE(DecryptEnvelope(CCipherContext(*ParseStationKey(keyText)), reply->GetData(), plain));
    EXPECT_TRUE(plain.empty());
    EXPECT_FALSE(DecryptEnvelope(CCipherContext(DevelopmentStationKey()), reply->GetData(), plain));
    EXPECT_TRUE(recorder.Log().empty());  // no development-key warning
}

TEST_F(StationDocumentTest, AnInvalidKeyStopsTheStationsWithItsReason) {
    ASSERT_TRUE(WriteRegistryString(CString(kBrantwickKey) + "\\StationKey", "0123", false));
    const std::uint16_t stationPort = test::FreePort();
    CBrantwickDoc document(
        std::vector<KeyStationEntry>{{Reader(0, 0), static_cast<std::int16_t>(stationPort)}});
    EXPECT_FALSE(document.StartStations());
    EXPECT_TRUE(document.Stations().empty());
    EXPECT_EQ(
        document.StartError(),
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\StationKey is not 48 hexadecimal digits; no key "
        "station was started.");
    EXPECT_FALSE(test::CHostPeer(stationPort, std::chrono::milliseconds(0)).IsConnected());
}

}  // namespace
}  // namespace tessaly
