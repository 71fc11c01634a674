#include "protocol/PacketReader.h"

#include <algorithm>
#include <array>

namespace tessaly {
namespace {

// Bytes asked of one receive. Small packets are the rule; larger ones take several receives.
constexpr std::size_t kReceiveChunk = 8192;

}  // namespace

CPacketReader::Result CPacketReader::Read(CByteArray& packet, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const bool forever = timeout.count() < 0;
    const Clock::time_point deadline = Clock::now() + (forever ? std::chrono::milliseconds(0) : timeout);
    for (;;) {
        // Once the time is up the socket is still looked at: what has arrived by then counts.
        std::chrono::milliseconds wait = kNoTimeOut;
        if (!forever) {
            wait = std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                            std::chrono::milliseconds(0));
        }
        const std::size_t had = m_pending.size();
        const Result result = ReadPiece(packet, wait);
        if (result != Result::TimedOut || m_pending.size() == had) {
            return result;
        }
    }
}

CPacketReader::Result CPacketReader::ReadPiece(CByteArray& packet, std::chrono::milliseconds timeout) {
    packet.clear();
    const Result cut = Cut(packet);
    if (cut != Result::TimedOut) {
        return cut;
    }
    switch (m_socket.WaitReadable(timeout)) {
        case platform::CSocket::WaitResult::TimedOut:
            return Result::TimedOut;
        case platform::CSocket::WaitResult::Failed:
            return Result::Closed;
        case platform::CSocket::WaitResult::Readable:
            break;
    }
    return ReceiveSome() ? Cut(packet) : Result::Closed;
}

bool CPacketReader::SkipTooLong() {
    const PacketExtent extent = MeasurePacket(m_pending.data(), m_pending.size());
    const std::uint64_t held = std::min<std::uint64_t>(extent.length, m_pending.size());
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(held));
    std::uint64_t left = extent.length - held;
    std::array<std::uint8_t, kReceiveChunk> sink{};
    while (left > 0) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(left, sink.size()));
        const std::ptrdiff_t received = m_socket.Receive(sink.data(), count);
        if (received <= 0) {
            return false;
        }
        left -= static_cast<std::uint64_t>(received);
    }
    return true;
}

CPacketReader::Result CPacketReader::Cut(CByteArray& packet) {
    const PacketExtent extent = MeasurePacket(m_pending.data(), m_pending.size());
    if (extent.kind == PacketExtent::Kind::Unframeable) {
        return Result::Unframeable;
    }
    if (extent.payload && (extent.length > m_limits.packet || *extent.payload > m_limits.payload)) {
        return Result::TooLong;
    }
    if (extent.kind != PacketExtent::Kind::Complete) {
        return Result::TimedOut;
    }
    const auto end = m_pending.begin() + static_cast<std::ptrdiff_t>(extent.length);
    packet.assign(m_pending.begin(), end);
    m_pending.erase(m_pending.begin(), end);
    return Result::Packet;
}

bool CPacketReader::ReceiveSome() {
    // Never more than the packet limit leaves room for: the pending bytes stay within it, and a
    // station's receives end where its largest request would.
    std::size_t room = kReceiveChunk;
    if (m_limits.packet > m_pending.size()) {
        room = static_cast<std::size_t>(std::min<std::uint64_t>(room, m_limits.packet - m_pending.size()));
    }
    const std::size_t at = m_pending.size();
    m_pending.resize(at + room);
    const std::ptrdiff_t received = m_socket.Receive(m_pending.data() + at, room);
    m_pending.resize(at + static_cast<std::size_t>(std::max<std::ptrdiff_t>(received, 0)));
    return received > 0;
}

}  // namespace tessaly
