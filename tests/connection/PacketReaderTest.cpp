// The frame described once: what WritePacketFrame writes, how MeasurePacket sizes it whole and at
// every shortfall, what ReadPacketFrame takes back out; and the packet reader over real TCP.
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>

#include "protocol/PacketFrame.h"
#include "protocol/PacketReader.h"
#include "protocol/PassThruErrors.h"
#include "tests/connection/LoopbackPeer.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using platform::CSocket;
using test::Hex;
using test::ToHex;
using Kind = PacketExtent::Kind;
using Result = CPacketReader::Result;
using namespace std::chrono_literals;

const char* const kKeepAlive = "00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB";

TEST(PacketFrame, EveryLayoutIsWrittenMeasuredAndReadAlike) {
    const std::tuple<std::uint8_t, const char*, std::uint8_t, const char*, const char*> cases[] = {
        {kFrameLong, "[KEY]", 0x0A, "13 00 05", kKeepAlive},
        {kFrameWide, "[KEY]", 0x0A, "13 00 05", "02 05 5B 4B 45 59 5D 0A 00 00 00 03 13 00 05 CD"},
        {kFrameLong, "", 0x99, "", "00 00 99 00 00 99"},
        {0x99, "not written", 0x99, "", "99 00 00 99"},
        {0xFF, "", 0xFF, "93", "FF 00 01 93 93"},
        {0x03, "", 0x03, "01 02", "03 00 02 01 02 08"},
    };
    for (const auto& [frameType, address, command, payloadHex, packetHex] : cases) {
        SCOPED_TRACE(packetHex);
        const CByteArray payload = Hex(payloadHex);
        COutBinaryString out;
        ASSERT_TRUE(WritePacketFrame(out, frameType, address, command, payload));
        CByteArray bytes = out.TakeBytes();
        EXPECT_EQ(ToHex(bytes), packetHex);
        // Every shortfall asks for more; the whole size is known once the length field is in.
        const std::size_t header = bytes.size() - payload.size() - kChecksumSize;
        for (std::size_t have = 0; have < bytes.size(); ++have) {
            const PacketExtent extent = MeasurePacket(bytes.data(), have);
            const std::size_t least = have == 0 ? 1 : have == 1 && IsLongFrameType(frameType) ? 2 : header;
            EXPECT_EQ(extent.kind, Kind::Incomplete) << have;
            EXPECT_EQ(extent.length, have < header ? least : bytes.size()) << have;
            EXPECT_EQ(extent.payload.has_value(), have >= header) << have;
        }
        bytes.push_back(0x99);  // the start of the next packet is not part of this one
        const PacketExtent whole = MeasurePacket(bytes.data(), bytes.size());
        EXPECT_EQ(whole.kind, Kind::Complete);
        EXPECT_EQ(whole.length, bytes.size() - 1);
        EXPECT_EQ(whole.payload, payload.size());
        CInBinaryString in(bytes);
        const PacketFrame frame = ReadPacketFrame(in);
        EXPECT_EQ(frame.command, command);
        EXPECT_EQ(frame.longForm, IsLongFrameType(frameType));
        EXPECT_EQ(frame.payload.Bytes(), payload);
    }
}

TEST(PacketFrame, LengthFieldsAtTheirLimits) {
    // Frame type, address length, payload length, whether it fits.
    const std::tuple<std::uint8_t, std::size_t, std::size_t, bool> cases[] = {
        {kFrameLong, 255, 0xFFFF, true}, {kFrameLong, 256, 0, false}, {kFrameLong, 0, 0x10000, false},
        {0x01, 300, 0xFFFF, true},       {0x01, 0, 0x10000, false},   {kFrameWide, 255, 0x10000, true},
    };
    for (const auto& [frameType, addressLength, payloadLength, fits] : cases) {
        SCOPED_TRACE(testing::Message() << int(frameType) << " " << addressLength << " " << payloadLength);
        COutBinaryString out;
        const std::uint8_t command = IsLongFrameType(frameType) ? 0x0A : frameType;
        ASSERT_EQ(WritePacketFrame(out, frameType, CString(addressLength, 'A'), command,
                                   CByteArray(payloadLength, 0x5A)),
                  fits);
        if (!fits) {
            EXPECT_EQ(out.Size(), 0U);
            continue;
        }
        const PacketExtent extent = MeasurePacket(out.Bytes().data(), out.Size());
        EXPECT_EQ(extent.kind, Kind::Complete);
        EXPECT_EQ(extent.length, out.Size());
        CInBinaryString in(out.TakeBytes());
        EXPECT_EQ(ReadPacketFrame(in).payload.Size(), payloadLength);
    }
    COutBinaryString out;
    EXPECT_FALSE(WritePacketFrame(out, 0x99, "", 0x98, {}));  // a short form is its own command code
}

TEST(PacketFrame, WhatHasNoLayoutOrDoesNotAddUp) {
    for (const char* foreign : {"04 00 00 04", "0A 00 03 13 00 05"}) {
        const CByteArray bytes = Hex(foreign);
        EXPECT_EQ(MeasurePacket(bytes.data(), bytes.size()).kind, Kind::Unframeable) << foreign;
    }
    const CByteArray widest = Hex("02 00 0A FF FF FF FF");
    EXPECT_EQ(MeasurePacket(widest.data(), widest.size()).length, 7U + 0xFFFFFFFFULL + 1U);  // no wrap
    const std::pair<const char*, const char*> rejected[] = {
        {"00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CC", "CPassThruChecksumError"},
        {"00 05 5B 4B 45 59 5D 0A 00 03 13 00 CB", "CPassThruParseError"},  // a payload byte missing
        {"04 00 00 04", "CPassThruParseError"},
        {"7E 00 00 00", "CPassThruParseError"},  // a foreign frame type before a bad checksum
    };
    for (const auto& [packet, error] : rejected) {
        CInBinaryString in(Hex(packet));
        try {
            (void)ReadPacketFrame(in);
            ADD_FAILURE() << packet;
        } catch (const CPassThruFormatError& e) {
            EXPECT_STREQ(e.Name(), error) << packet;
        }
    }
}

TEST(PacketReader, WaitsCutsAndKeepsWhatFollows) {
    const CByteArray packet = Hex(kKeepAlive);
    const auto part = [&](std::size_t from, std::size_t to) {
        return CByteArray(packet.begin() + static_cast<std::ptrdiff_t>(from),
                          packet.begin() + static_cast<std::ptrdiff_t>(to));
    };
    test::CLoopbackPeer peer([&](CSocket& s) {
        test::WriteInPieces(s, part(0, 4));
        (void)test::Read(s, 1);  // the reader has given up waiting
        // The rest, a second packet and half a third in one write; the rest of the third in pieces;
        // then the start of a fourth, and the peer leaves.
        CByteArray lump = part(4, packet.size());
        lump.insert(lump.end(), packet.begin(), packet.end());
        lump.insert(lump.end(), packet.begin(), packet.begin() + 5);
        test::WriteInPieces(s, lump);
        test::WriteInPieces(s, part(5, packet.size()), 3);
        test::WriteInPieces(s, part(0, 3));
    });
    CSocket socket = CSocket::CreateTcp();
    ASSERT_TRUE(socket.Connect("127.0.0.1", peer.Port()));
    CPacketReader reader(socket);
    ASSERT_EQ(socket.WaitReadable(5s), CSocket::WaitResult::Readable);
    CByteArray got = Hex("AA");
    EXPECT_EQ(reader.Read(got, 0ms), Result::TimedOut);  // takes what is there, without waiting
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(reader.Read(got, 50ms), Result::TimedOut);
    EXPECT_EQ(reader.Pending(), part(0, 4));
    ASSERT_TRUE(socket.SendAll(packet.data(), 1));
    EXPECT_EQ(reader.Read(got, 5s), Result::Packet);
    EXPECT_EQ(got, packet);
    EXPECT_EQ(reader.Read(got, 0ms), Result::Packet);  // the second came with the first
    EXPECT_EQ(got, packet);
    EXPECT_EQ(reader.Read(got, 5s), Result::Packet);
    EXPECT_EQ(got, packet);
    EXPECT_EQ(reader.Read(got, 5s), Result::Closed);
    EXPECT_EQ(reader.Pending(), part(0, 3));
}

TEST(PacketReader, UnframeableAndTooLongKeepWhatArrived) {
    const std::tuple<const char*, PacketLimits, Result> cases[] = {
        {"0A 00 03", {}, Result::Unframeable},
        {"02 00 0A 00 00 0F F9", {4096}, Result::TooLong},  // 4097 bytes in all
        {"00 00 0A 00 10", {4096, 15}, Result::TooLong},    // a payload of 16
    };
    for (const auto& [bytes, limits, result] : cases) {
        test::CLoopbackPeer peer([&](CSocket& s) {
            test::WriteInPieces(s, Hex(bytes));
            test::WaitForClose(s);
        });
        CSocket socket = CSocket::CreateTcp();
        ASSERT_TRUE(socket.Connect("127.0.0.1", peer.Port()));
        CPacketReader reader(socket, limits);
        CByteArray got;
        EXPECT_EQ(reader.Read(got, 5s), result) << bytes;
        EXPECT_EQ(reader.Pending(), Hex(bytes));
        socket.Close();
    }
}

}  // namespace
}  // namespace tessaly
