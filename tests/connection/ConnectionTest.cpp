#include <gtest/gtest.h>

#include <string>

#include "protocol/ObjCommConnection.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/PassThruErrors.h"
#include "protocol/incoming/contact/ProtocolReplies.h"
#include "protocol/incoming/contact/ResetCommands.h"
#include "tests/connection/LoopbackPeer.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using platform::CSocket;
using test::CLoopbackPeer;
using test::Hex;
using test::ToHex;

// A pass-through acknowledgement with an empty body (sub-command 0x13, as keep-alive).
class CTestKeepAliveAck final : public CMessageFields<CTestKeepAliveAck> {
public:
    static constexpr const char* kClassName = "CTestKeepAliveAck";
    static constexpr std::uint32_t kCommand = 0x0A;
    static constexpr int kSubCommand = 0x13;
    static constexpr const char* kTitle = "Keep Alive";

    CTestKeepAliveAck() : CMessageFields(false) {}
    template <class V>
    void Visit(V& /*v*/) {}
};

CByteArray WithChecksum(CByteArray bytes) {
    bytes.push_back(AdditiveChecksum(bytes.data(), bytes.size()));
    return bytes;
}

// What the client sends for CTestKeepAliveAck with address "[CTRLR]": 16 bytes.
CByteArray ExpectedAck(std::uint16_t transaction) {
    CByteArray packet = Hex("00 07 5B 43 54 52 4C 52 5D 0A 00 03 13");
    packet.push_back(static_cast<std::uint8_t>(transaction >> 8));
    packet.push_back(static_cast<std::uint8_t>(transaction));
    return WithChecksum(packet);
}
constexpr std::size_t kAckSize = 16;

const CByteArray kReset = test::PassThroughPacket(0x01, 0x1234, Hex("58 00 01 02"));

// A wide (frame type 02) pass-through Reset Card whose payload runs on with `extra` bytes that the
// class does not read.
CByteArray WideReset(std::size_t extra) {
    COutBinaryString out;
    CByteArray payload = Hex("01 77 66 58 00 01 02");
    payload.resize(payload.size() + extra, 0x5A);
    out.AppendByte(0x02).SetLengthPrefix(LengthPrefix::OneByte).AppendString("0123456789ABCDEF");
    out.AppendByte(0x0A).SetLengthPrefix(LengthPrefix::FourBytes).AppendBytes(payload);
    out.AppendChecksum();
    return out.TakeBytes();
}

TEST(Connection, ReceivesAWholePacket) {
    CLoopbackPeer peer([](CSocket& s) {
        test::Write(s, kReset);
        test::WaitForClose(s);
    });
    CObjCommConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
    EXPECT_TRUE(connection.IsConnected());
    auto command = connection.Receive(false);
    ASSERT_NE(command, nullptr);
    EXPECT_STREQ(command->ClassName(), "CRspResetCard");
    EXPECT_EQ(static_cast<CRspResetCard&>(*command).GetDestination(), 0x58U);
    EXPECT_EQ(connection.GetLastTransactionNumber(), 0x1234);
    connection.Close();
    EXPECT_FALSE(connection.IsConnected());
}

TEST(Connection, ReassemblesPacketsSplitIntoSmallWrites) {
    const CByteArray wide = WideReset(3);
    CLoopbackPeer peer([&](CSocket& s) {
        test::WriteInPieces(s, kReset, 1);
        test::WriteInPieces(s, wide, 3);
        test::WaitForClose(s);
    });
    CObjCommConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
    auto first = connection.Receive(false);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(connection.GetLastTransactionNumber(), 0x1234);
    CInBinaryString second;
    ASSERT_TRUE(connection.ReceivePacket(second));
    EXPECT_EQ(ToHex(second.Bytes()), ToHex(wide));
}

TEST(Connection, LargeWidePacketArrivesWhole) {
    const CByteArray wide = WideReset(200000);  // several receive chunks
    CLoopbackPeer peer([&](CSocket& s) {
        test::Write(s, wide);
        test::WaitForClose(s);
    });
    CObjCommConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
    CInBinaryString packet;
    ASSERT_TRUE(connection.ReceivePacket(packet));
    EXPECT_EQ(packet.Bytes(), wide);
    std::uint32_t transaction = 0;
    auto command = CObjCommResponse::CreateFromPacket(packet, transaction, false);
    EXPECT_STREQ(command->ClassName(), "CRspResetCard");
    EXPECT_EQ(transaction, 0x7766U);
}

TEST(Connection, PeerClosingAtAnyByteGivesNull) {
    const CByteArray packets[] = {kReset, WideReset(2), Hex("99 00 01 42 DC")};
    for (const CByteArray& packet : packets) {
        for (std::size_t cut = 0; cut < packet.size(); ++cut) {
            SCOPED_TRACE("after " + std::to_string(cut) + " bytes of " + ToHex(packet));
            const CByteArray part(packet.begin(), packet.begin() + static_cast<std::ptrdiff_t>(cut));
            CLoopbackPeer peer([&](CSocket& s) { test::Write(s, part); });
            CObjCommConnection connection;
            ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
            std::unique_ptr<CObjCommResponse> command;
            EXPECT_NO_THROW(command = connection.Receive(false));
            EXPECT_EQ(command, nullptr);
        }
    }
}

struct Rejected {
    const char* name;
    CByteArray packet;
    const char* exception;
};

std::string ReceiveRejection(CObjCommConnection& connection) {
    try {
        auto command = connection.Receive(false);
        return command ? command->ClassName() : "null";
    } catch (const CPassThruFormatError& e) {
        return e.Name();
    }
}

TEST(Connection, RejectedPacketLeavesTheStreamAligned) {
    CByteArray badChecksum = kReset;
    badChecksum.back() ^= 0xFF;
    const Rejected cases[] = {
        {"checksum", badChecksum, "CPassThruChecksumError"},
        {"unknown command", test::LongPacket(0x0B, Hex("01 02")), "CPassThruCmdUnknown"},
        {"unknown sub-command", test::PassThroughPacket(0x11, 9, Hex("00")), "CPassThruSubCmdUnknown"},
        {"body too short", test::PassThroughPacket(0x01, 9, Hex("58")), "CPassThruParseError"},
        {"short form body too short", Hex("FF 00 00 FF"), "CPassThruParseError"},
    };
    for (const Rejected& c : cases) {
        SCOPED_TRACE(c.name);
        CLoopbackPeer peer([&](CSocket& s) {
            CByteArray both = c.packet;
            both.insert(both.end(), kReset.begin(), kReset.end());
            test::Write(s, both);
            test::WaitForClose(s);
        });
        CObjCommConnection connection;
        ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
        EXPECT_EQ(ReceiveRejection(connection), c.exception);
        EXPECT_EQ(ReceiveRejection(connection), "CRspResetCard");
    }
}

TEST(Connection, OversizedPayloadIsDroppedAndTheStreamStaysAligned) {
    const std::uint32_t length = CObjCommConnection::kMaxPayloadLength + 1;
    CLoopbackPeer peer([&](CSocket& s) {
        CByteArray header = Hex("02 00 0A");
        for (int shift = 24; shift >= 0; shift -= 8) {
            header.push_back(static_cast<std::uint8_t>(length >> shift));
        }
        test::Write(s, header);
        const CByteArray chunk(64 * 1024, 0x00);
        std::uint32_t left = length;
        while (left > 0) {
            const std::uint32_t count =
                std::min<std::uint32_t>(left, static_cast<std::uint32_t>(chunk.size()));
            test::Write(s, CByteArray(chunk.begin(), chunk.begin() + count));
            left -= count;
        }
        test::Write(s, Hex("77"));  // the checksum
        test::Write(s, kReset);
        test::WaitForClose(s);
    });
    CObjCommConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
    EXPECT_EQ(ReceiveRejection(connection), "CPassThruParseError");
    EXPECT_EQ(connection.GetLastTransactionNumber(), 0);
    EXPECT_EQ(ReceiveRejection(connection), "CRspResetCard");
}

TEST(Connection, AnnouncedGigabytesThenCloseGivesNull) {
    CLoopbackPeer peer([](CSocket& s) { test::Write(s, Hex("02 00 0A FF FF FF FF 01 02 03")); });
    CObjCommConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
    EXPECT_EQ(connection.Receive(false), nullptr);
}

TEST(Connection, ShortFormsAreCutByTheirOwnLayout) {
    const CByteArray packets[] = {
        Hex("99 00 00 99"),
        Hex("FF 00 01 93 93"),
        WithChecksum(Hex("01 00 03 AA BB CC")),
        WithChecksum(Hex("03 00 00")),
        kReset,
    };
    CLoopbackPeer peer([&](CSocket& s) {
        CByteArray all;
        for (const CByteArray& packet : packets) {
            all.insert(all.end(), packet.begin(), packet.end());
        }
        test::Write(s, all);
        test::Write(s, Hex("99 00 00 99 FF 00 01 91 91"));
        test::WaitForClose(s);
    });
    CObjCommConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
    for (const CByteArray& packet : packets) {
        CInBinaryString buffer;
        ASSERT_TRUE(connection.ReceivePacket(buffer));
        EXPECT_EQ(ToHex(buffer.Bytes()), ToHex(packet));
    }
    auto health = connection.Receive(false);
    ASSERT_NE(health, nullptr);
    EXPECT_STREQ(health->ClassName(), "CRspHealthCheck");
    EXPECT_FALSE(health->UsesLongForm());
    auto error = connection.Receive(false);
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "CRspError");
    EXPECT_EQ(static_cast<CRspError&>(*error).GetErrorCode(), 0x91U);
}

TEST(Connection, FrameTypeWithoutLayoutIsRefusedAtOnce) {
    // Nothing follows the foreign byte: waiting for an address block would block for ever.
    CLoopbackPeer peer([](CSocket& s) {
        test::Write(s, Hex("04"));
        test::WaitForClose(s);
    });
    CObjCommConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
    EXPECT_EQ(ReceiveRejection(connection), "CPassThruParseError");
}

TEST(Connection, AcknowledgementsEchoTheLastTransactionNumber) {
    CByteArray badChecksum = test::PassThroughPacket(0x01, 0x5555, Hex("58 00 01 02"));
    badChecksum.back() ^= 0x01;
    const CByteArray unknownSub = test::PassThroughPacket(0x11, 0x4321, {});
    const CByteArray incoming[] = {kReset, badChecksum, test::LongPacket(0x99, {}), unknownSub};
    CByteArray acks[4];
    {
        CLoopbackPeer peer([&](CSocket& s) {
            for (int i = 0; i < 4; ++i) {
                test::Write(s, incoming[i]);
                acks[i] = test::Read(s, kAckSize);
            }
            test::WaitForClose(s);
        });
        CObjCommConnection connection;
        ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
        const CTestKeepAliveAck ack;
        for (int i = 0; i < 4; ++i) {
            (void)ReceiveRejection(connection);
            ASSERT_TRUE(connection.Send(ack, kAddressController, false));
        }
        connection.Close();
    }
    EXPECT_EQ(ToHex(acks[0]), ToHex(ExpectedAck(0x1234)));  // after a pass-through command
    EXPECT_EQ(ToHex(acks[1]), ToHex(ExpectedAck(0)));       // after a packet with a bad checksum
    EXPECT_EQ(ToHex(acks[2]), ToHex(ExpectedAck(0)));       // after a health check
    EXPECT_EQ(ToHex(acks[3]), ToHex(ExpectedAck(0x4321)));  // the unknown command's own number
}

TEST(Connection, ConnectTakesOnlyDottedDecimal) {
    CSocket listener = CSocket::CreateTcp();
    ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
    ASSERT_TRUE(listener.Listen(4));
    for (const char* host : {"localhost", "127.1", "", "127.0.0.1 "}) {
        CObjCommConnection connection;
        EXPECT_FALSE(connection.Connect(host, listener.LocalPort())) << host;
        EXPECT_FALSE(connection.IsConnected());
    }
    CObjCommConnection connection;
    EXPECT_TRUE(connection.Connect("127.0.0.1", listener.LocalPort()));
}

TEST(Connection, FailedConnectKeepsNothing) {
    CSocket probe = CSocket::CreateTcp();
    ASSERT_TRUE(probe.Bind("127.0.0.1", 0));
    const std::uint16_t port = probe.LocalPort();
    probe.Close();
    CObjCommConnection connection;
    EXPECT_FALSE(connection.Connect("127.0.0.1", port));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_FALSE(connection.Send(CTestKeepAliveAck(), kAddressController, false));
}

TEST(Connection, SendFailsOnceClosed) {
    CLoopbackPeer peer([](CSocket& s) { test::WaitForClose(s); });
    CObjCommConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", peer.Port()));
    connection.Close();
    EXPECT_FALSE(connection.Send(CTestKeepAliveAck(), kAddressController, false));
    EXPECT_EQ(connection.Receive(false), nullptr);
}

}  // namespace
}  // namespace tessaly
