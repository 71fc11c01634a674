// Cutting request packets out of a station's stream over a real loopback connection: pieces, surplus
// bytes, a rest that comes too late, foreign and oversized frames, the stop flag.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "keystations/PacketReceiver.h"
#include "protocol/PacketFrame.h"
#include "tests/keystations/HostPeer.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using Kind = ReceivedPacket::Kind;
using namespace std::chrono_literals;

const CByteArray kKeepAlive = Hex("00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB");

// A connected pair over loopback: the test writes on `host`, the receiver reads `station`.
class ReceiverTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::CSocket listener = platform::CSocket::CreateTcp();
        ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
        ASSERT_TRUE(listener.Listen(1));
        host = std::make_unique<test::CHostPeer>(listener.LocalPort());
        station = listener.Accept();
        ASSERT_TRUE(station.IsOpen());
    }
    ReceivedPacket Receive() { return receiver.Receive(station); }
    // Sends the pieces from another thread, `pause` apart, while the receiver reads.
    ReceivedPacket ReceivePieces(const std::vector<CByteArray>& pieces, std::chrono::milliseconds pause) {
        std::thread sender([&] { EXPECT_TRUE(host->SendPieces(pieces, pause)); });
        ReceivedPacket packet = Receive();
        sender.join();
        return packet;
    }

    std::atomic<std::int32_t> stop{0};
    CPacketReceiver receiver{stop, 200ms};
    std::unique_ptr<test::CHostPeer> host;
    platform::CSocket station;
};

TEST_F(ReceiverTest, PiecesWithinTheRestTimeOutAreJoined) {
    const std::vector<std::vector<CByteArray>> splits = {
        {kKeepAlive},
        {Hex("00"), Hex("05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB")},
        {Hex("00 05 5B"), Hex("4B 45 59 5D 0A"), Hex("00"), Hex("03 13 00 05"), Hex("CB")},
    };
    for (const auto& pieces : splits) {
        const ReceivedPacket packet = ReceivePieces(pieces, 250ms);
        EXPECT_EQ(packet.kind, Kind::Packet);
        EXPECT_EQ(test::ToHex(packet.bytes), test::ToHex(kKeepAlive));
    }
}

TEST_F(ReceiverTest, ARestThatComesTooLateIsNotWaitedFor) {
    const CByteArray first(kKeepAlive.begin(), kKeepAlive.begin() + 9);
    const CByteArray rest(kKeepAlive.begin() + 9, kKeepAlive.end());
    const ReceivedPacket packet = ReceivePieces({first, rest}, 1500ms);
    EXPECT_EQ(packet.kind, Kind::Packet);
    EXPECT_EQ(packet.bytes, first);  // parsed as it is, and rejected
    EXPECT_EQ(Receive().bytes, rest);
}

TEST_F(ReceiverTest, BytesAfterThePacketAreDropped) {
    CByteArray two = kKeepAlive;
    two.insert(two.end(), kKeepAlive.begin(), kKeepAlive.end());
    ASSERT_TRUE(host->Send(two));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(Receive().bytes, kKeepAlive);
    EXPECT_EQ(station.WaitReadable(200ms), platform::CSocket::WaitResult::TimedOut);
}

TEST_F(ReceiverTest, ForeignAndOversizedFrames) {
    ASSERT_TRUE(host->Send(Hex("04 00 00 04")));  // no layout: taken as it arrived
    EXPECT_EQ(Receive().bytes, Hex("04 00 00 04"));
    CByteArray largest = Hex("00 05 5B 4B 45 59 5D 0A 1F F5");  // 8192 bytes in all
    largest.resize(kMaxStationPacket, 0x00);
    ASSERT_TRUE(host->Send(largest));
    const ReceivedPacket packet = Receive();
    EXPECT_EQ(packet.kind, Kind::Packet);
    EXPECT_EQ(packet.bytes, largest);
    ASSERT_TRUE(host->Send(Hex("00 05 5B 4B 45 59 5D 0A 1F F6 13 00 05")));  // 8193 announced
    EXPECT_EQ(Receive().kind, Kind::Oversized);
}

TEST_F(ReceiverTest, TheStopFlagEndsEveryWaitAndAClosedPeerEndsTheConnection) {
    stop.store(1);
    EXPECT_EQ(Receive().kind, Kind::Stopped);  // idle
    stop.store(0);
    ASSERT_TRUE(host->Send(Hex("00 05 5B 4B")));
    std::thread stopper([&] {
        std::this_thread::sleep_for(100ms);
        stop.store(1);
    });
    EXPECT_EQ(Receive().kind, Kind::Stopped);  // while the rest of a packet is awaited
    stopper.join();
    stop.store(0);
    ASSERT_TRUE(host->Send(Hex("00 05 5B 4B")));
    host->Close();
    EXPECT_EQ(Receive().kind, Kind::Closed);  // mid-packet
    EXPECT_EQ(Receive().kind, Kind::Closed);
}

}  // namespace
}  // namespace tessaly
