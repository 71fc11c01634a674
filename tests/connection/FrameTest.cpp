// The frame described once: what WritePacketFrame writes, how MeasurePacket sizes it whole and at
// every shortfall, what ReadPacketFrame takes back out, and what each refuses.
#include <gtest/gtest.h>

#include <tuple>

#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;
using Kind = PacketExtent::Kind;

TEST(PacketFrame, EveryLayoutIsWrittenMeasuredAndReadAlike) {
    // Frame type, address, command, payload, the packet.
    const std::tuple<std::uint8_t, const char*, std::uint8_t, const char*, const char*> cases[] = {
        {kFrameLong, "[KEY]", 0x0A, "13 00 05", "00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CB"},
        {kFrameWide, "[KEY]", 0x0A, "13 00 05", "02 05 5B 4B 45 59 5D 0A 00 00 00 03 13 00 05 CD"},
        {kFrameLong, "", 0x99, "", "00 00 99 00 00 99"},
        {0x99, "not written", 0x99, "", "99 00 00 99"},
        {0xFF, "", 0xFF, "93", "FF 00 01 93 93"},
        {0x03, "", 0x03, "01 02", "03 00 02 01 02 08"},
    };
    for (const auto& [frameType, address, command, payloadHex, packetHex] : cases) {
        SCOPED_TRACE(packetHex);
        const CByteArray payload = Hex(payloadHex);
        CByteArray bytes = test::Framed(frameType, address, command, payload);
        EXPECT_EQ(test::ToHex(bytes), packetHex);
        // Every shortfall asks for more; the whole size is known once the length field is in.
        const std::size_t header = bytes.size() - payload.size() - kChecksumSize;
        for (std::size_t have = 0; have < bytes.size(); ++have) {
            const PacketExtent part = MeasurePacket(bytes.data(), have);
            const std::size_t least = have == 0 ? 1 : have == 1 && IsLongFrameType(frameType) ? 2 : header;
            EXPECT_EQ(part.kind, Kind::Incomplete) << have;
            EXPECT_EQ(part.length, have < header ? least : bytes.size()) << have;
            EXPECT_EQ(part.payload.has_value(), have >= header) << have;
        }
        for (const std::size_t extra : {0, 1}) {  // the start of a next packet is not part of this one
            bytes.resize(header + payload.size() + kChecksumSize + extra, 0x99);
            const PacketExtent whole = MeasurePacket(bytes.data(), bytes.size());
            EXPECT_TRUE(whole.kind == Kind::Complete && whole.length == bytes.size() - extra);
            EXPECT_EQ(whole.payload, payload.size());
        }
        CInBinaryString in(bytes);
        const PacketFrame frame = ReadPacketFrame(in);
        EXPECT_TRUE(frame.command == command && frame.longForm == IsLongFrameType(frameType));
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
        COutBinaryString out;
        const std::uint8_t command = IsLongFrameType(frameType) ? 0x0A : frameType;
        ASSERT_EQ(WritePacketFrame(out, frameType, CString(addressLength, 'A'), command,
                                   CByteArray(payloadLength, 0x5A)),
                  fits)
            << int(frameType) << " " << addressLength << " " << payloadLength;
        const PacketExtent extent = MeasurePacket(out.Bytes().data(), out.Size());
        EXPECT_EQ(extent.length, fits ? out.Size() : 1U);  // nothing written when it does not fit
        if (fits) {
            CInBinaryString in(out.TakeBytes());
            EXPECT_EQ(ReadPacketFrame(in).payload.Size(), payloadLength);
        }
    }
    COutBinaryString out;
    EXPECT_FALSE(WritePacketFrame(out, 0x99, "", 0x98, {}));  // a short form is its own command code
}

TEST(PacketFrame, WhatHasNoLayoutOrDoesNotAddUp) {
    for (const char* foreign : {"04 00 00 04", "0A 00 03 13 00 05"}) {
        EXPECT_EQ(MeasurePacket(Hex(foreign).data(), Hex(foreign).size()).kind, Kind::Unframeable) << foreign;
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

}  // namespace
}  // namespace tessaly
