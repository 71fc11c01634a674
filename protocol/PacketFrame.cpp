#include "protocol/PacketFrame.h"

#include "protocol/PassThruErrors.h"

namespace tessaly {
namespace {

std::uint64_t BigEndian(const std::uint8_t* bytes, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

}  // namespace

PacketExtent MeasurePacket(const std::uint8_t* data, std::size_t size) {
    using Kind = PacketExtent::Kind;
    if (size < kFrameTypeSize) {
        return {Kind::Incomplete, kFrameTypeSize, std::nullopt};
    }
    const std::uint8_t frameType = data[0];
    std::size_t lengthAt = kFrameTypeSize;  // where the payload length field starts
    if (IsLongFrameType(frameType)) {
        if (size < kFrameTypeSize + kAddressLengthSize) {
            return {Kind::Incomplete, kFrameTypeSize + kAddressLengthSize, std::nullopt};
        }
        lengthAt = kFrameTypeSize + kAddressLengthSize + std::size_t{data[kFrameTypeSize]} + kCommandSize;
    } else if (!IsShortFrameType(frameType)) {
        return {Kind::Unframeable, 0, std::nullopt};
    }
    const std::size_t lengthSize = PayloadLengthSize(frameType);
    if (size < lengthAt + lengthSize) {
        return {Kind::Incomplete, lengthAt + lengthSize, std::nullopt};
    }
    const std::uint64_t payload = BigEndian(data + lengthAt, lengthSize);
    const std::uint64_t total = lengthAt + lengthSize + payload + kChecksumSize;
    return {size >= total ? Kind::Complete : Kind::Incomplete, total, payload};
}

PacketFrame ReadPacketFrame(CInBinaryString& packet) {
    packet.SetPosition(0);
    PacketFrame frame;
    bool checksumOk = false;
    try {
        frame.frameType = packet.ReadByte();
        frame.longForm = IsLongFrameType(frame.frameType);
        if (frame.longForm) {
            (void)packet.ReadString(LengthPrefix::OneByte);  // the address routes nothing here
            frame.command = packet.ReadByte();
        } else {
            frame.command = frame.frameType;
        }
        packet.ReadBytes(frame.payload.Bytes(), PayloadLengthPrefix(frame.frameType));
        checksumOk = packet.VerifyChecksum();
    } catch (const CInBinaryStringException&) {
        throw CPassThruParseError();
    }
    if (!frame.longForm && !IsShortFrameType(frame.frameType)) {
        throw CPassThruParseError();
    }
    if (!checksumOk) {
        throw CPassThruChecksumError();
    }
    return frame;
}

bool WritePacketFrame(COutBinaryString& out, std::uint8_t frameType, const CString& address,
                      std::uint8_t command, const CByteArray& payload) {
    out.Reset();
    const bool longForm = IsLongFrameType(frameType);
    const std::uint64_t maxPayload = frameType == kFrameWide ? kMaxWidePayload : kMaxShortPayload;
    if ((longForm && address.size() > kMaxAddressLength) || (!longForm && command != frameType) ||
        payload.size() > maxPayload) {
        return false;
    }
    out.AppendByte(frameType);
    if (longForm) {
        out.SetLengthPrefix(LengthPrefix::OneByte).AppendString(address);
        out.AppendByte(command);
    }
    out.SetLengthPrefix(PayloadLengthPrefix(frameType)).AppendBytes(payload);
    out.SetLengthPrefix(LengthPrefix::None).AppendChecksum();
    return true;
}

void AppendPassThroughHeader(COutBinaryString& payload, std::uint8_t subCommand, std::uint16_t transaction) {
    payload.AppendByte(subCommand).AppendWord(transaction);
}

}  // namespace tessaly
