// Cutting packets from a stream: the frame layouts, and a reader over real TCP.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "protocol/PacketReader.h"
#include "tests/support/TestPackets.h"
#include "tests/zolt/FakeStation.h"

namespace tessaly {
namespace {

using test::Hex;
using Kind = PacketExtent::Kind;

// The keep-alive acknowledgement of a key station.
const char* const kKeepAlive = "00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB";

TEST(MeasurePacket, EveryLayoutAndEveryShortfall) {
    struct Case {
        const char* bytes;
        Kind kind;
        std::uint64_t length;
    };
    const Case cases[] = {
        {"", Kind::Incomplete, 1},
        {"00", Kind::Incomplete, 2},
        {"00 05 5B 4B 45", Kind::Incomplete, 10},  // up to the payload length
        {"00 05 5B 4B 45 59 5D 0A 00 03 13", Kind::Incomplete, 14},
        {kKeepAlive, Kind::Complete, 14},
        {"00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB 99 00", Kind::Complete, 14},  // the next one is left
        {"02 05 5B 4B 45 59 5D 0A 00 00 00 03 13 00 05 CD", Kind::Complete, 16},
        {"02 00 0A 00 01 00", Kind::Incomplete, 7},
        {"02 00 0A 00 01 00 00", Kind::Incomplete, 0x10008},  // a wide length counts all four bytes
        {"00 00 99 00 00 99", Kind::Complete, 6},             // an empty address
        {"99 00 00 99", Kind::Complete, 4},
        {"01 00 02 AA", Kind::Incomplete, 6},
        {"03 00", Kind::Incomplete, 3},
        {"FF 00 01 09 09", Kind::Complete, 5},
        {"04 00 00 04", Kind::Unframeable, 0},
        {"0A 00 03 13 00 05", Kind::Unframeable, 0},
    };
    for (const Case& c : cases) {
        const CByteArray bytes = Hex(c.bytes);
        const PacketExtent extent = MeasurePacket(bytes.data(), bytes.size());
        EXPECT_EQ(extent.kind, c.kind) << c.bytes;
        EXPECT_EQ(extent.length, c.length) << c.bytes;
    }
}

TEST(MeasurePacket, LargestWideLengthDoesNotWrap) {
    const CByteArray bytes = Hex("02 00 0A FF FF FF FF");
    const PacketExtent extent = MeasurePacket(bytes.data(), bytes.size());
    EXPECT_EQ(extent.kind, Kind::Incomplete);
    EXPECT_EQ(extent.length, 7U + 0xFFFFFFFFULL + 1U);
}

// A client socket connected to a station that plays `session`.
struct Connected {
    explicit Connected(test::CFakeStation::Session session) : station({std::move(session)}) {
        EXPECT_TRUE(socket.Connect("127.0.0.1", station.Port()));
    }
    test::CFakeStation station;
    platform::CSocket socket = platform::CSocket::CreateTcp();
};

TEST(PacketReader, PiecesAndSharedSegmentsCutTheSame) {
    const CByteArray packet = Hex(kKeepAlive);
    Connected peer([&packet](test::CStationLink& link) {
        // In three pieces, then two packets and half a third in one write, then the rest.
        for (std::size_t at : {0, 1, 9}) {
            const std::size_t end = at == 0 ? 1 : at == 1 ? 9 : packet.size();
            link.Send(CByteArray(packet.begin() + static_cast<std::ptrdiff_t>(at),
                                 packet.begin() + static_cast<std::ptrdiff_t>(end)));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        CByteArray lump = packet;
        lump.insert(lump.end(), packet.begin(), packet.end());
        lump.insert(lump.end(), packet.begin(), packet.begin() + 5);
        link.Send(lump);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        link.Send(CByteArray(packet.begin() + 5, packet.end()));
        link.WaitForClose();
    });
    CPacketReader reader(peer.socket);
    for (int i = 0; i < 4; ++i) {
        CByteArray got;
        ASSERT_EQ(reader.Read(got, std::chrono::seconds(5)), CPacketReader::Result::Packet) << i;
        EXPECT_EQ(got, packet) << i;
    }
    EXPECT_TRUE(reader.Pending().empty());
    peer.socket.Close();
}

TEST(PacketReader, TimeOutKeepsWhatArrived) {
    Connected peer([](test::CStationLink& link) {
        link.Send(Hex("00 05 5B 4B"));
        link.WaitForClose();
    });
    CPacketReader reader(peer.socket);
    CByteArray got = Hex("AA");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(reader.Read(got, std::chrono::milliseconds(150)), CPacketReader::Result::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(reader.Pending(), Hex("00 05 5B 4B"));
    peer.socket.Close();
}

TEST(PacketReader, NoTimeTakesWhatHasArrived) {
    Connected peer([](test::CStationLink& link) {
        link.Send(Hex(kKeepAlive));
        link.WaitForClose();
    });
    CPacketReader reader(peer.socket);
    ASSERT_EQ(peer.socket.WaitReadable(std::chrono::seconds(5)), platform::CSocket::WaitResult::Readable);
    CByteArray got;
    EXPECT_EQ(reader.Read(got, std::chrono::milliseconds(0)), CPacketReader::Result::Packet);
    EXPECT_EQ(got, Hex(kKeepAlive));
    EXPECT_EQ(reader.Read(got, std::chrono::milliseconds(0)), CPacketReader::Result::TimedOut);
    peer.socket.Close();
}

TEST(PacketReader, ClosedInsideAPacket) {
    Connected peer([](test::CStationLink& link) { link.Send(Hex("00 05 5B")); });
    CPacketReader reader(peer.socket);
    CByteArray got;
    EXPECT_EQ(reader.Read(got, std::chrono::seconds(5)), CPacketReader::Result::Closed);
    EXPECT_EQ(reader.Pending(), Hex("00 05 5B"));
}

TEST(PacketReader, UnframeableAndTooLong) {
    Connected peer([](test::CStationLink& link) {
        link.Send(Hex("0A 00 03"));
        link.WaitForClose();
    });
    CPacketReader reader(peer.socket);
    CByteArray got;
    EXPECT_EQ(reader.Read(got, std::chrono::seconds(5)), CPacketReader::Result::Unframeable);
    peer.socket.Close();

    Connected wide([](test::CStationLink& link) {
        link.Send(Hex("02 00 0A 00 10 00 00"));
        link.WaitForClose();
    });
    CPacketReader limited(wide.socket, 4096);
    EXPECT_EQ(limited.Read(got, std::chrono::seconds(5)), CPacketReader::Result::TooLong);
    EXPECT_EQ(limited.Pending(), Hex("02 00 0A 00 10 00 00"));
    wide.socket.Close();
}

}  // namespace
}  // namespace tessaly
