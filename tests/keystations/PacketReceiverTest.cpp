// Cutting request packets out of the stream: the receiver over a
// real loopback connection (pieces, surplus bytes, a rest that never comes, oversized frames).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "keystations/PacketReceiver.h"
#include "tests/keystations/HostPeer.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

// A connected pair over loopback: the test writes on `host`, the receiver reads `station`.
class ReceiverTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::CSocket listener = platform::CSocket::CreateTcp();
        ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
        ASSERT_TRUE(listener.Listen(1));
        host = std::make_unique<test::CHostPeer>(listener.LocalPort());
        ASSERT_TRUE(host->IsConnected());
        station = listener.Accept();
        ASSERT_TRUE(station.IsOpen());
    }

    ReceivedPacket Receive() { return receiver.Receive(station); }

    std::atomic<std::int32_t> stop{0};
    CPacketReceiver receiver{stop, std::chrono::milliseconds(200)};
    std::unique_ptr<test::CHostPeer> host;
    platform::CSocket station;
};

const CByteArray kKeepAlive = Hex("00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB");

TEST_F(ReceiverTest, AWholePacketInOneSegment) {
    ASSERT_TRUE(host->Send(kKeepAlive));
    const ReceivedPacket packet = Receive();
    EXPECT_EQ(packet.kind, ReceivedPacket::Kind::Packet);
    EXPECT_EQ(packet.bytes, kKeepAlive);
}

TEST_F(ReceiverTest, PiecesAreJoinedByTheFramesLength) {
    const std::vector<std::vector<CByteArray>> splits = {
        {Hex("00"), Hex("05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB")},
        {Hex("00 05 5B"), Hex("4B 45 59 5D 0A"), Hex("00"), Hex("03 13 00 05"), Hex("CB")},
        {Hex("00 05 5B 4B 45 59 5D 0A 00 03 13 00 05"), Hex("CB")},
    };
    for (const auto& pieces : splits) {
        ASSERT_TRUE(host->SendPieces(pieces, std::chrono::milliseconds(30)));
        const ReceivedPacket packet = Receive();
        EXPECT_EQ(packet.kind, ReceivedPacket::Kind::Packet);
        EXPECT_EQ(packet.bytes, kKeepAlive) << test::ToHex(packet.bytes);
    }
}

TEST_F(ReceiverTest, BytesAfterThePacketInTheSameReceiveAreDropped) {
    CByteArray two = kKeepAlive;
    two.insert(two.end(), kKeepAlive.begin(), kKeepAlive.end());
    ASSERT_TRUE(host->Send(two));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Receive().bytes, kKeepAlive);
    EXPECT_EQ(station.WaitReadable(std::chrono::milliseconds(200)), platform::CSocket::WaitResult::TimedOut);
}

TEST_F(ReceiverTest, ARestThatDoesNotComeInTimeLeavesWhatArrived) {
    const CByteArray half(kKeepAlive.begin(), kKeepAlive.begin() + 9);
    ASSERT_TRUE(host->Send(half));
    const auto start = std::chrono::steady_clock::now();
    const ReceivedPacket packet = Receive();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(packet.kind, ReceivedPacket::Kind::Packet);
    EXPECT_EQ(packet.bytes, half);
    EXPECT_GE(waited, std::chrono::milliseconds(450));
    EXPECT_LT(waited, std::chrono::milliseconds(1500));
}

TEST_F(ReceiverTest, AnUnknownFrameTypeIsTakenAsItArrived) {
    ASSERT_TRUE(host->Send(Hex("04 00 00 04")));
    const ReceivedPacket packet = Receive();
    EXPECT_EQ(packet.kind, ReceivedPacket::Kind::Packet);
    EXPECT_EQ(packet.bytes, Hex("04 00 00 04"));
}

TEST_F(ReceiverTest, AFrameLongerThan8192BytesIsOversized) {
    // 2 + 5 + 1 + 2 + 8182 + 1 = 8193 bytes announced.
    ASSERT_TRUE(host->Send(Hex("00 05 5B 4B 45 59 5D 0A 1F F6 13 00 05")));
    EXPECT_EQ(Receive().kind, ReceivedPacket::Kind::Oversized);
}

TEST_F(ReceiverTest, AFrameOfExactly8192BytesIsAPacket) {
    CByteArray packet = Hex("00 05 5B 4B 45 59 5D 0A 1F F5");
    packet.resize(8192, 0x00);
    ASSERT_TRUE(host->Send(packet));
    const ReceivedPacket received = Receive();
    EXPECT_EQ(received.kind, ReceivedPacket::Kind::Packet);
    EXPECT_EQ(received.bytes.size(), 8192U);
}

TEST_F(ReceiverTest, ClosedConnectionAndStopFlag) {
    stop.store(1);
    EXPECT_EQ(Receive().kind, ReceivedPacket::Kind::Stopped);
    stop.store(0);
    host->Close();
    EXPECT_EQ(Receive().kind, ReceivedPacket::Kind::Closed);
}

TEST_F(ReceiverTest, APeerThatClosesMidPacketIsAClosedConnection) {
    ASSERT_TRUE(host->Send(Hex("00 05 5B 4B")));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    host->Close();
    EXPECT_EQ(Receive().kind, ReceivedPacket::Kind::Closed);
}

}  // namespace
}  // namespace tessaly
