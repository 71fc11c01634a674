// Cutting request packets out of a station's stream over a real loopback connection: pieces, surplus
// bytes, a rest that comes too late, foreign and oversized frames, a peer that leaves, the stop flag.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "keystations/PacketReceiver.h"
#include "protocol/PacketFrame.h"
#include "tests/keystations/HostPeer.h"
#include "tests/support/TestPackets.h"

namespace tessaly {

bool operator==(const ReceivedPacket& a, const ReceivedPacket& b) {
    return a.kind == b.kind && a.bytes == b.bytes;
}

namespace {

using test::Hex;
using Kind = ReceivedPacket::Kind;
using namespace std::chrono_literals;

const CByteArray kKeepAlive = Hex("00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB");

// The keep-alive cut at the given offsets.
std::vector<CByteArray> Cut(std::vector<std::size_t> at) {
    at.push_back(kKeepAlive.size());
    std::vector<CByteArray> pieces;
    for (std::size_t from = 0, i = 0; i < at.size(); from = at[i++]) {
        pieces.push_back(test::Slice(kKeepAlive, from, at[i]));
    }
    return pieces;
}

class ReceiverTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::CSocket listener = platform::CSocket::CreateTcp();
        ASSERT_TRUE(listener.Bind("127.0.0.1", 0) && listener.Listen(1));
        m_host = std::make_unique<test::CHostPeer>(listener.LocalPort());
        m_station = listener.Accept();
    }
    // The host sends the pieces, `pause` apart, from a thread of its own while the station receives.
    ReceivedPacket Receive(const std::vector<CByteArray>& pieces = {},
                           std::chrono::milliseconds pause = 0ms) {
        std::thread sender([&] { EXPECT_TRUE(m_host->SendPieces(pieces, pause)); });
        ReceivedPacket packet = m_receiver.Receive(m_station);
        sender.join();
        return packet;
    }

    std::atomic<std::int32_t> m_stop{0};
    CPacketReceiver m_receiver{m_stop, 200ms};
    std::unique_ptr<test::CHostPeer> m_host;
    platform::CSocket m_station;
};

TEST_F(ReceiverTest, PiecesWithinTheRestTimeOutAreJoinedAndWhatFollowsIsDropped) {
    const ReceivedPacket whole{Kind::Packet, kKeepAlive};
    EXPECT_EQ(Receive(Cut({1}), 250ms), whole);
    EXPECT_EQ(Receive(Cut({3, 8, 9, 13}), 250ms), whole);
    EXPECT_EQ(Receive({test::Joined({kKeepAlive, kKeepAlive})}), whole);
    EXPECT_EQ(m_station.WaitReadable(200ms), platform::CSocket::WaitResult::TimedOut);
}

TEST_F(ReceiverTest, ARestThatComesTooLateIsNotWaitedFor) {
    EXPECT_EQ(Receive(Cut({9}), 1500ms), (ReceivedPacket{Kind::Packet, Cut({9})[0]}));
    EXPECT_EQ(Receive(), (ReceivedPacket{Kind::Packet, Cut({9})[1]}));  // each parsed as it is
}

TEST_F(ReceiverTest, ForeignAndOversizedFrames) {
    EXPECT_EQ(Receive({Hex("04 00 00 04")}), (ReceivedPacket{Kind::Packet, Hex("04 00 00 04")}));
    CByteArray largest = Hex("00 05 5B 4B 45 59 5D 0A 1F F5");  // 8192 bytes in all
    largest.resize(kMaxStationPacket, 0x00);
    EXPECT_EQ(Receive({largest}), (ReceivedPacket{Kind::Packet, largest}));
    // Never a byte beyond the largest packet: what follows stays for the next receive.
    const std::vector<CByteArray> pieces = {test::Slice(largest, 0, 10),
                                            test::Joined({test::Slice(largest, 10, 8192), kKeepAlive})};
    EXPECT_EQ(Receive(pieces, 50ms), (ReceivedPacket{Kind::Packet, largest}));
    ASSERT_EQ(m_station.WaitReadable(1s), platform::CSocket::WaitResult::Readable);
    EXPECT_EQ(Receive(), (ReceivedPacket{Kind::Packet, kKeepAlive}));
    const CByteArray tooLarge = Hex("00 05 5B 4B 45 59 5D 0A 1F F6 13 00 05");  // 8193 announced
    EXPECT_EQ(Receive({tooLarge}), (ReceivedPacket{Kind::Oversized, tooLarge}));
}

TEST_F(ReceiverTest, TheStopFlagEndsEveryWaitAndALeavingPeerTheConnection) {
    m_stop.store(1);
    EXPECT_EQ(Receive().kind, Kind::Stopped);  // idle
    m_stop.store(0);
    std::thread stopper([&] {
        std::this_thread::sleep_for(100ms);
        m_stop.store(1);
    });
    EXPECT_EQ(Receive({Cut({4})[0]}).kind, Kind::Stopped);  // while a rest is awaited
    stopper.join();
    m_stop.store(0);
    ASSERT_TRUE(m_host->Send(Cut({4})[0]));
    m_host->Close();
    EXPECT_EQ(Receive().kind, Kind::Closed);  // mid-packet
    EXPECT_EQ(Receive().kind, Kind::Closed);
}

}  // namespace
}  // namespace tessaly
