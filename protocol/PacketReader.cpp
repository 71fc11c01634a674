#include "protocol/PacketReader.h"

#include <algorithm>
#include <array>

#include "protocol/PacketFrame.h"

namespace tessaly {
namespace {

// Bytes asked of one receive. Small packets are the rule; larger ones take several receives.
constexpr std::size_t kReceiveChunk = 8192;

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
    if (size == 0) {
        return {Kind::Incomplete, 1};
    }
    const std::uint8_t frameType = data[0];
    std::size_t lengthAt = 1;  // where the payload length field starts
    std::size_t lengthWidth = 2;
    if (frameType == kFrameLong || frameType == kFrameWide) {
        if (size < 2) {
            return {Kind::Incomplete, 2};
        }
        lengthAt = 2 + std::size_t{data[1]} + 1;  // address length, address, command code
        lengthWidth = frameType == kFrameWide ? 4 : 2;
    } else if (!IsShortFrameType(frameType)) {
        return {Kind::Unframeable, 0};
    }
    if (size < lengthAt + lengthWidth) {
        return {Kind::Incomplete, lengthAt + lengthWidth};
    }
    const std::uint64_t total = lengthAt + lengthWidth + BigEndian(data + lengthAt, lengthWidth) + 1;
    return {size >= total ? Kind::Complete : Kind::Incomplete, total};
}

CPacketReader::Result CPacketReader::Read(CByteArray& packet, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    packet.clear();
    const bool forever = timeout.count() < 0;
    const Clock::time_point deadline = Clock::now() + (forever ? std::chrono::milliseconds(0) : timeout);
    for (;;) {
        const PacketExtent extent = MeasurePacket(m_pending.data(), m_pending.size());
        if (extent.kind == PacketExtent::Kind::Unframeable) {
            return Result::Unframeable;
        }
        if (extent.length > m_maxPacket) {
            return Result::TooLong;
        }
        if (extent.kind == PacketExtent::Kind::Complete) {
            const auto end = m_pending.begin() + static_cast<std::ptrdiff_t>(extent.length);
            packet.assign(m_pending.begin(), end);
            m_pending.erase(m_pending.begin(), end);
            return Result::Packet;
        }
        // Once the time is up the socket is still looked at: what has arrived by then counts.
        std::chrono::milliseconds wait(-1);
        if (!forever) {
            wait = std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                            std::chrono::milliseconds(0));
        }
        switch (m_socket.WaitReadable(wait)) {
            case platform::CSocket::WaitResult::TimedOut:
                return Result::TimedOut;
            case platform::CSocket::WaitResult::Failed:
                return Result::Closed;
            case platform::CSocket::WaitResult::Readable:
                break;
        }
        if (!ReceiveSome()) {
            return Result::Closed;
        }
    }
}

bool CPacketReader::ReceiveSome() {
    std::array<std::uint8_t, kReceiveChunk> chunk{};
    const std::ptrdiff_t received = m_socket.Receive(chunk.data(), chunk.size());
    if (received <= 0) {
        return false;
    }
    m_pending.insert(m_pending.end(), chunk.begin(), chunk.begin() + received);
    return true;
}

}  // namespace tessaly
