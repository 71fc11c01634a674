#include "keystations/PacketReceiver.h"

#include "protocol/PacketFrame.h"

namespace tessaly {
namespace {

using Clock = std::chrono::steady_clock;
using platform::CSocket;

std::uint64_t BigEndian(std::span<const std::uint8_t> bytes) {
    std::uint64_t value = 0;
    for (std::uint8_t byte : bytes) {
        value = (value << 8) | byte;
    }
    return value;
}

}  // namespace

FrameExtent MeasureFrame(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return {};
    }
    const std::uint8_t type = bytes[0];
    std::size_t header = 0;  // bytes up to and including the payload length
    std::size_t lengthWidth = 2;
    if (type == kFrameLong || type == kFrameWide) {
        if (bytes.size() < 2) {
            return {};
        }
        lengthWidth = type == kFrameWide ? 4 : 2;
        header = 2 + std::size_t{bytes[1]} + 1 + lengthWidth;  // type, address, command, length
    } else if (IsShortFrameType(type)) {
        header = 1 + lengthWidth;
    } else {
        return {FrameExtent::Kind::Unknown, 0};
    }
    if (bytes.size() < header) {
        return {};
    }
    const std::uint64_t payload = BigEndian(bytes.subspan(header - lengthWidth, lengthWidth));
    return {FrameExtent::Kind::Known, header + payload + 1};
}

ReceivedPacket CPacketReceiver::Receive(CSocket& client) {
    ReceivedPacket result;
    // An idle connection: wait for the first byte, looking at the stop flag between waits.
    for (;;) {
        if (StopRequested()) {
            result.kind = ReceivedPacket::Kind::Stopped;
            return result;
        }
        const CSocket::WaitResult wait = client.WaitReadable(m_idlePoll);
        if (wait == CSocket::WaitResult::Readable) {
            break;
        }
        if (wait == CSocket::WaitResult::Failed) {
            return result;
        }
    }

    CByteArray buffer(kMaxPacket);
    std::size_t have = 0;
    for (;;) {
        const std::ptrdiff_t got = client.Receive(buffer.data() + have, buffer.size() - have);
        if (got <= 0) {
            return result;  // closed, or failed: the same for a station
        }
        have += static_cast<std::size_t>(got);

        const FrameExtent extent = MeasureFrame(std::span<const std::uint8_t>(buffer.data(), have));
        if (extent.kind == FrameExtent::Kind::Known && extent.total > kMaxPacket) {
            result.kind = ReceivedPacket::Kind::Oversized;
            buffer.resize(have);
            result.bytes = std::move(buffer);
            return result;
        }
        if (extent.kind == FrameExtent::Kind::Unknown ||
            (extent.kind == FrameExtent::Kind::Known && extent.total <= have)) {
            if (extent.kind == FrameExtent::Kind::Known) {
                have = static_cast<std::size_t>(extent.total);  // what follows the packet is dropped
            }
            break;
        }
        if (have == buffer.size()) {
            break;  // cannot happen for a frame within the limit; parsed as it is
        }
        // The rest of the packet has not arrived yet.
        const CSocket::WaitResult wait = client.WaitReadable(kRestTimeOut);
        if (StopRequested()) {
            result.kind = ReceivedPacket::Kind::Stopped;
            return result;
        }
        if (wait == CSocket::WaitResult::Failed) {
            return result;
        }
        if (wait == CSocket::WaitResult::TimedOut) {
            break;  // parsed as it is
        }
    }
    buffer.resize(have);
    result.kind = ReceivedPacket::Kind::Packet;
    result.bytes = std::move(buffer);
    return result;
}

}  // namespace tessaly
