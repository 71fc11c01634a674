// The client connection over real TCP: packets cut whole from pieces and shared segments, rejected
// and oversized packets that leave the stream aligned, a foreign frame type that ends it, a peer that
// leaves mid-packet, and the transaction number echoed in what is sent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/ObjCommConnection.h"
#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"
#include "protocol/incoming/contact/ResetCommands.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "tests/connection/LoopbackPeer.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using platform::CSocket;
using test::Hex;
using test::ToHex;

const CByteArray kReset = test::PassThroughPacket(0x01, 0x1234, Hex("58 00 01 02"));

// A wide pass-through Reset Card (transaction 7766) whose payload runs on with `extra` bytes that the
// class does not read.
CByteArray WideReset(std::size_t extra) {
    CByteArray payload = Hex("01 77 66 58 00 01 02");
    payload.resize(payload.size() + extra, 0x5A);
    COutBinaryString out;
    EXPECT_TRUE(WritePacketFrame(out, kFrameWide, kAddressCardProcessing, kCommandPassThrough, payload));
    return out.TakeBytes();
}

CByteArray Joined(const std::vector<CByteArray>& packets) {
    CByteArray all;
    for (const CByteArray& packet : packets) {
        all.insert(all.end(), packet.begin(), packet.end());
    }
    return all;
}

// A connection to a peer that writes `bytes` (in pieces of `piece` bytes) and waits for the close.
struct Session {
    explicit Session(CByteArray bytes, std::size_t piece = 0)
        : peer([bytes = std::move(bytes), piece](CSocket& s) {
              test::WriteInPieces(s, bytes, piece);
              test::WaitForClose(s);
          }) {
        EXPECT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
    }
    // The class of what Receive returns, "null", or the name of the exception.
    std::string Next() {
        try {
            const auto command = connection.Receive(false);
            return command ? command->ClassName() : "null";
        } catch (const CPassThruFormatError& e) {
            return e.Name();
        }
    }

    test::CLoopbackPeer peer;
    CObjCommConnection connection;
};

TEST(Connection, EveryLayoutIsCutWholeFromPiecesAndSharedSegments) {
    const std::vector<CByteArray> packets = {kReset,
                                             WideReset(3),
                                             Hex("99 00 00 99"),
                                             Hex("FF 00 01 91 91"),
                                             Hex("01 00 03 AA BB CC 35"),
                                             Hex("03 00 00 03"),
                                             Hex("00 00 99 00 00 99")};
    for (std::size_t piece : {0, 1, 3}) {
        SCOPED_TRACE(piece);
        Session session(Joined({Joined(packets), kReset}), piece);
        for (const CByteArray& packet : packets) {
            CInBinaryString buffer;
            ASSERT_TRUE(session.connection.ReceivePacket(buffer));
            EXPECT_EQ(ToHex(buffer.Bytes()), ToHex(packet));
        }
        const auto reset = session.connection.Receive(false);
        ASSERT_NE(reset, nullptr);
        EXPECT_EQ(static_cast<CRspResetCard&>(*reset).GetDestination(), 0x58U);
        EXPECT_EQ(session.connection.GetLastTransactionNumber(), 0x1234);
    }
    const CByteArray large = WideReset(200000);  // many receives
    Session session(large);
    CInBinaryString buffer;
    ASSERT_TRUE(session.connection.ReceivePacket(buffer));
    EXPECT_EQ(buffer.Bytes(), large);
}

// What Receive makes of `bytes` from a peer that then leaves.
std::unique_ptr<CObjCommResponse> FromLeavingPeer(const CByteArray& bytes) {
    test::CLoopbackPeer peer([&](CSocket& s) { test::WriteInPieces(s, bytes); });
    CObjCommConnection connection;
    EXPECT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
    return connection.Receive(false);
}

TEST(Connection, APeerLeavingAtAnyByteGivesNull) {
    for (const CByteArray& packet : {kReset, WideReset(2), Hex("99 00 01 42 DC")}) {
        for (std::size_t cut = 0; cut < packet.size(); ++cut) {
            SCOPED_TRACE("after " + std::to_string(cut) + " bytes of " + ToHex(packet));
            EXPECT_EQ(FromLeavingPeer(
                          CByteArray(packet.begin(), packet.begin() + static_cast<std::ptrdiff_t>(cut))),
                      nullptr);
        }
    }
    // While a payload above the limit is skipped.
    EXPECT_EQ(FromLeavingPeer(Hex("02 00 0A FF FF FF FF 01 02 03")), nullptr);
}

TEST(Connection, RejectedPacketsLeaveTheStreamAligned) {
    CByteArray badChecksum = kReset;
    badChecksum.back() ^= 0xFF;
    const std::pair<CByteArray, const char*> cases[] = {
        {badChecksum, "CPassThruChecksumError"},
        {test::LongPacket(0x0B, Hex("01 02")), "CPassThruCmdUnknown"},
        {test::PassThroughPacket(0x11, 9, Hex("00")), "CPassThruSubCmdUnknown"},
        {test::PassThroughPacket(0x01, 9, Hex("58")), "CPassThruParseError"},
        {Hex("FF 00 00 FF"), "CPassThruParseError"},
    };
    for (const auto& [packet, rejection] : cases) {
        Session session(Joined({packet, kReset}));
        EXPECT_EQ(session.Next(), rejection);
        EXPECT_EQ(session.Next(), "CRspResetCard");
    }
}

TEST(Connection, APayloadAboveTheLimitIsSkippedUnstored) {
    // The largest payload taken, one byte more, then an ordinary packet.
    const auto limit = static_cast<std::size_t>(kMaxClientPayload);
    const CByteArray largest = WideReset(limit - 7);
    CByteArray tooLarge = WideReset(limit - 6);
    tooLarge.back() ^= 0x01;  // a bad checksum as well: the packet is refused before it is looked at
    Session session(Joined({largest, tooLarge, kReset}));
    EXPECT_EQ(session.Next(), "CRspResetCard");
    EXPECT_EQ(session.connection.GetLastTransactionNumber(), 0x7766);
    EXPECT_EQ(session.Next(), "CPassThruParseError");
    EXPECT_EQ(session.connection.GetLastTransactionNumber(), 0);
    EXPECT_EQ(session.Next(), "CRspResetCard");
}

TEST(Connection, AFrameTypeWithoutLayoutClosesTheConnection) {
    // Nothing tells where the foreign packet ends, so what follows it is never read as a packet.
    Session session(Joined({Hex("04 00 0D"), kReset}));
    EXPECT_EQ(session.Next(), "CPassThruParseError");
    EXPECT_FALSE(session.connection.IsConnected());
    EXPECT_EQ(session.Next(), "null");
    EXPECT_EQ(session.Next(), "null");
}

TEST(Connection, WhatIsSentEchoesTheLastTransactionNumber) {
    CByteArray badChecksum = test::PassThroughPacket(0x01, 0x5555, Hex("58 00 01 02"));
    badChecksum.back() ^= 0x01;
    const CByteArray incoming[] = {kReset, badChecksum, test::LongPacket(0x99, {}),
                                   test::PassThroughPacket(0x11, 0x4321, {})};
    CByteArray sent[4];
    {
        test::CLoopbackPeer peer([&](CSocket& s) {
            for (int i = 0; i < 4; ++i) {
                test::WriteInPieces(s, incoming[i]);
                sent[i] = test::Read(s, 16);
            }
            test::WaitForClose(s);
        });
        CObjCommConnection connection;
        ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
        for (int i = 0; i < 4; ++i) {
            try {
                (void)connection.Receive(false);
            } catch (const CPassThruFormatError&) {
            }
            ASSERT_TRUE(connection.Send(CMsgKeepAlive(false), kAddressController, false));
        }
        connection.Close();
    }
    // After a pass-through command, a bad checksum, a health check, an unknown sub-command.
    EXPECT_EQ(ToHex(sent[0]), "00 07 5B 43 54 52 4C 52 5D 0A 00 03 13 12 34 AC");
    EXPECT_EQ(ToHex(sent[1]), "00 07 5B 43 54 52 4C 52 5D 0A 00 03 13 00 00 66");
    EXPECT_EQ(ToHex(sent[2]), "00 07 5B 43 54 52 4C 52 5D 0A 00 03 13 00 00 66");
    EXPECT_EQ(ToHex(sent[3]), "00 07 5B 43 54 52 4C 52 5D 0A 00 03 13 43 21 CA");
}

TEST(Connection, ConnectTakesOnlyDottedDecimalAndAFailureKeepsNothing) {
    CSocket listener = CSocket::CreateTcp();
    ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
    ASSERT_TRUE(listener.Listen(4));
    for (const char* host : {"localhost", "127.1", "", "127.0.0.1 "}) {
        CObjCommConnection connection;
        EXPECT_FALSE(connection.Connect(host, listener.LocalPort())) << host;
        EXPECT_FALSE(connection.IsConnected());
        EXPECT_FALSE(connection.Send(CMsgKeepAlive(false), kAddressController, false));
        EXPECT_EQ(connection.Receive(false), nullptr);
    }
    CObjCommConnection connection;
    EXPECT_TRUE(connection.Connect("127.0.0.1", listener.LocalPort()));
    EXPECT_TRUE(connection.IsConnected());
    connection.Close();
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_FALSE(connection.Send(CMsgKeepAlive(false), kAddressController, false));
    const std::uint16_t port = listener.LocalPort();
    listener.Close();  // nobody listens there now
    EXPECT_FALSE(connection.Connect("127.0.0.1", port));
}

}  // namespace
}  // namespace tessaly
