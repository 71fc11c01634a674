// Packets out of a real TCP stream on loopback: the packet reader (time-outs, pieces, shared
// segments, limits) and the client connection on it (every layout, rejected and oversized packets
// that leave the stream aligned, a foreign frame type that ends it, a peer that leaves mid-packet,
// the transaction number echoed in what it sends).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "protocol/ObjCommConnection.h"
#include "protocol/PacketReader.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using platform::CSocket;
using test::Hex;
using test::Joined;
using Result = CPacketReader::Result;
using namespace std::chrono_literals;

const CByteArray kKeepAlive = Hex("00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB");
const CByteArray kReset = test::PassThroughPacket(0x01, 0x1234, Hex("58 00 01 02"));

// A wide Reset Card (transaction 7766) whose payload runs on with `extra` bytes the class does not read.
CByteArray WideReset(std::size_t extra) {
    CByteArray body = Hex("58 00 01 02");
    body.resize(body.size() + extra, 0x5A);
    return test::PassThroughPacket(0x01, 0x7766, body, kAddressCardProcessing, kFrameWide);
}

// A client (`near`, or `connection`) and the peer's end of one loopback connection. Write runs once at
// a time, from a thread of its own; with `leave` the peer closes its end after writing.
struct Link {
    explicit Link(bool client = false) {
        EXPECT_TRUE(listener.Bind("127.0.0.1", 0) && listener.Listen(1));
        EXPECT_TRUE(client ? connection.Connect("127.0.0.1", listener.LocalPort())
                           : near.Connect("127.0.0.1", listener.LocalPort()));
        peer = listener.Accept();
    }
    ~Link() {
        if (writer.joinable()) {
            writer.join();
        }
    }
    Link& Write(CByteArray bytes, bool leave = false) {
        writer = std::thread([this, bytes = std::move(bytes), leave] {
            (void)peer.SendAll(bytes.data(), bytes.size());
            if (leave) {
                peer.Close();
            }
        });
        return *this;
    }
    // The class of what the connection receives next, "null", or the name of the exception.
    std::string Next() {
        try {
            const auto command = connection.Receive(false);
            return command ? command->ClassName() : "null";
        } catch (const CPassThruFormatError& e) {
            return e.Name();
        }
    }
    CSocket listener = CSocket::CreateTcp();
    CSocket near = CSocket::CreateTcp();
    CObjCommConnection connection;
    CSocket peer;
    std::thread writer;
};

TEST(PacketReader, WaitsCutsAndKeepsWhatFollows) {
    Link link;
    CPacketReader reader(link.near);
    ASSERT_TRUE(link.peer.SendAll(kKeepAlive.data(), 4));
    ASSERT_EQ(link.near.WaitReadable(5s), CSocket::WaitResult::Readable);
    CByteArray got = Hex("AA");
    EXPECT_EQ(reader.Read(got, 0ms), Result::TimedOut);  // takes what is there, without waiting
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(reader.Read(got, 50ms), Result::TimedOut);
    EXPECT_EQ(reader.Pending(), test::Slice(kKeepAlive, 0, 4));
    // The rest, a second packet and the start of a third in one segment; the rest of the third and
    // the start of a fourth, and the peer leaves.
    link.Write(Joined({test::Slice(kKeepAlive, 4, 14), kKeepAlive, test::Slice(kKeepAlive, 0, 5)}));
    for (const auto timeout : {5000ms, 0ms}) {  // the second came with the first
        EXPECT_EQ(reader.Read(got, timeout), Result::Packet);
        EXPECT_EQ(got, kKeepAlive);
    }
    link.writer.join();
    link.Write(Joined({test::Slice(kKeepAlive, 5, 14), test::Slice(kKeepAlive, 0, 3)}), true);
    EXPECT_EQ(reader.Read(got, 5s), Result::Packet);
    EXPECT_EQ(got, kKeepAlive);
    EXPECT_EQ(reader.Read(got, 5s), Result::Closed);
    EXPECT_EQ(reader.Pending(), test::Slice(kKeepAlive, 0, 3));
}

TEST(PacketReader, WhatCannotBeCutOrTakenKeepsWhatArrived) {
    const std::tuple<const char*, PacketLimits, Result> cases[] = {
        {"0A 00 03", {}, Result::Unframeable},
        {"02 00 0A 00 00 0F F9", {4096}, Result::TooLong},  // 4097 bytes in all
        {"00 00 0A 00 10", {4096, 15}, Result::TooLong},    // a payload of 16
        {"02 00 0A 01 00 00 08", {}, Result::TimedOut},     // the largest a tool takes
        {"02 00 0A 01 00 00 09", {}, Result::TooLong},
    };
    for (const auto& [bytes, limits, result] : cases) {
        Link link;
        CPacketReader reader(link.near, limits);
        ASSERT_TRUE(link.peer.SendAll(Hex(bytes).data(), Hex(bytes).size()));
        ASSERT_EQ(link.near.WaitReadable(5s), CSocket::WaitResult::Readable);
        CByteArray got;
        EXPECT_EQ(reader.Read(got, 0ms), result) << bytes;
        EXPECT_EQ(reader.Pending(), Hex(bytes));
    }
}

TEST(Connection, EveryLayoutIsCutWhole) {
    const CByteArray packets[] = {kReset,
                                  WideReset(3),
                                  WideReset(200000),
                                  Hex("99 00 00 99"),
                                  Hex("FF 00 01 91 91"),
                                  Hex("01 00 03 AA BB CC 35"),
                                  Hex("03 00 00 03"),
                                  Hex("00 00 99 00 00 99")};
    Link link(true);
    link.Write(Joined({Joined({std::begin(packets), std::end(packets)}), kReset}));
    for (const CByteArray& packet : packets) {
        CInBinaryString buffer;
        ASSERT_TRUE(link.connection.ReceivePacket(buffer));
        EXPECT_TRUE(buffer.Bytes() == packet) << test::ToHex(test::Slice(packet, 0, 8));
    }
    EXPECT_EQ(link.Next(), "CRspResetCard");
    EXPECT_EQ(link.connection.GetLastTransactionNumber(), 0x1234);
}

TEST(Connection, APeerLeavingAtAnyByteGivesNull) {
    for (const CByteArray& packet : {kReset, WideReset(2), Hex("99 00 01 42 DC")}) {
        for (std::size_t cut = 0; cut < packet.size(); ++cut) {
            EXPECT_EQ(Link(true).Write(test::Slice(packet, 0, cut), true).Next(), "null") << cut;
        }
    }
    EXPECT_EQ(Link(true).Write(Hex("02 00 0A FF FF FF FF 01 02 03"), true).Next(), "null");  // skipping
}

TEST(Connection, RejectedPacketsLeaveTheStreamAlignedAndTheirNumberInWhatIsSent) {
    CByteArray badChecksum = kReset;
    badChecksum.back() ^= 0xFF;
    // The packet, what Receive makes of it, the transaction number of what is sent after it.
    const std::tuple<CByteArray, const char*, std::uint16_t> cases[] = {
        {badChecksum, "CPassThruChecksumError", 0},
        {test::LongPacket(0x0B, Hex("01 02")), "CPassThruCmdUnknown", 0},
        {test::PassThroughPacket(0x11, 0x4321, Hex("00")), "CPassThruSubCmdUnknown", 0x4321},
        {test::PassThroughPacket(0x01, 9, Hex("58")), "CPassThruParseError", 9},
        {Hex("FF 00 00 FF"), "CPassThruParseError", 0},
        {test::LongPacket(0x99, {}), "CRspHealthCheck", 0},
    };
    for (const auto& [packet, outcome, number] : cases) {
        Link link(true);
        CPacketReader sent(link.peer);
        CByteArray got;
        for (const auto& [next, expected] :
             {std::pair(packet, outcome), std::pair(kReset, "CRspResetCard")}) {
            ASSERT_TRUE(link.peer.SendAll(next.data(), next.size()));
            EXPECT_EQ(link.Next(), expected);
            ASSERT_TRUE(link.connection.Send(CMsgKeepAlive(false), kAddressController, false));
            EXPECT_EQ(sent.Read(got, 5s), Result::Packet);
            const std::uint16_t echoed = next == kReset ? 0x1234 : number;
            EXPECT_EQ(got, test::PassThroughPacket(0x13, echoed, {}, kAddressController)) << outcome;
        }
    }
    EXPECT_EQ(test::ToHex(test::PassThroughPacket(0x13, 0x1234, {}, kAddressController)),
              "00 07 5B 43 54 52 4C 52 5D 0A 00 03 13 12 34 AC");
}

TEST(Connection, APayloadAboveTheLimitIsSkippedUnstored) {
    // The largest payload taken, one byte more (a bad checksum too: it is never looked at), and on.
    const auto limit = static_cast<std::size_t>(kMaxClientPayload);
    CByteArray tooLarge = WideReset(limit - 6);
    tooLarge.back() ^= 0x01;
    Link link(true);
    link.Write(Joined({WideReset(limit - 7), tooLarge, kReset}));
    EXPECT_EQ(link.Next(), "CRspResetCard");
    EXPECT_EQ(link.connection.GetLastTransactionNumber(), 0x7766);
    EXPECT_EQ(link.Next(), "CPassThruParseError");
    EXPECT_EQ(link.connection.GetLastTransactionNumber(), 0);
    EXPECT_EQ(link.Next(), "CRspResetCard");
}

TEST(Connection, AFrameTypeWithoutLayoutClosesTheConnection) {
    // Nothing tells where the foreign packet ends, so what follows it is never read as a packet.
    Link link(true);
    link.Write(Joined({Hex("04 00 0D"), kReset}));
    EXPECT_EQ(link.Next(), "CPassThruParseError");
    EXPECT_FALSE(link.connection.IsConnected());
    EXPECT_EQ(link.Next(), "null");
}

TEST(Connection, ConnectTakesOnlyDottedDecimalAndAFailureKeepsNothing) {
    Link link(true);
    const std::uint16_t port = link.listener.LocalPort();
    const std::string hosts[] = {"localhost", "127.1",      "",
                                 "1.2.3.256", "0x7f.0.0.1", std::string("127.0.0.1\0x", 11)};
    for (const std::string& host : hosts) {
        CObjCommConnection connection;
        EXPECT_FALSE(connection.Connect(host, port)) << host;
        EXPECT_FALSE(connection.IsConnected());
        EXPECT_FALSE(connection.Send(CMsgKeepAlive(false), kAddressController, false));
        EXPECT_EQ(connection.Receive(false), nullptr);
    }
    // Writing to a peer that has gone fails, without a signal that would end the process.
    link.peer.Close();
    bool failed = false;
    for (int i = 0; i < 1000 && !failed; ++i) {
        failed = !link.connection.SendAll(CByteArray(4096, 0x55));
    }
    EXPECT_TRUE(failed);
    link.connection.Close();
    EXPECT_FALSE(link.connection.IsConnected());
    link.listener.Close();  // nobody listens there now
    EXPECT_FALSE(link.connection.Connect("127.0.0.1", port));
}

}  // namespace
}  // namespace tessaly
