#include "keystations/PacketReceiver.h"


namespace tessaly {
namespace {

using Clock = std::chrono::steady_clock;
using platform::CSocket;

}  // namespace

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

        const PacketExtent extent = MeasurePacket(buffer.data(), have);
        if (extent.length > kMaxPacket) {
            result.kind = ReceivedPacket::Kind::Oversized;
            buffer.resize(have);
            result.bytes = std::move(buffer);
            return result;
        }
        if (extent.kind == PacketExtent::Kind::Unframeable) {
            break;  // no layout says where it ends: parsed as it is
        }
        if (extent.kind == PacketExtent::Kind::Complete) {
            have = static_cast<std::size_t>(extent.length);  // what follows the packet is dropped
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
