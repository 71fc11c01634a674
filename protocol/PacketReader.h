// Cutting packets out of a TCP stream by the frame layout (MeasurePacket), with a time-out. Every
// receiver of packets here reads through it: the client connection, the key station and the
// host-side tools.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "common/Types.h"
#include "platform/Socket.h"
#include "protocol/PacketFrame.h"

namespace tessaly {

// What a reader takes; a packet beyond either limit is TooLong.
struct PacketLimits {
    std::uint64_t packet = kMaxToolPacket;  // the whole packet, frame included
    std::uint64_t payload = std::numeric_limits<std::uint64_t>::max();
};

// Reads whole packets from a connected socket it borrows. Bytes that arrive after a packet are kept
// for the next Read, so packets that share a segment, or come in pieces, are cut the same way.
class CPacketReader {
public:
    enum class Result {
        Packet,       // `packet` holds one whole packet
        TimedOut,     // nothing complete within the time-out; Pending() holds what did arrive
        Closed,       // the peer closed the connection (or it failed); Pending() holds a partial packet
        Unframeable,  // the stream cannot be cut: Pending() starts with a byte of no known layout
        TooLong,      // the packet announces more than the reader takes; Pending() holds its start
    };

    static constexpr std::chrono::milliseconds kNoTimeOut{-1};

    explicit CPacketReader(platform::CSocket& socket, PacketLimits limits = {})
        : m_socket(socket), m_limits(limits) {}
    CPacketReader(const CPacketReader&) = delete;
    CPacketReader& operator=(const CPacketReader&) = delete;

    // Waits at most `timeout` in all (kNoTimeOut: without limit) for one whole packet. A time-out of
    // 0 takes what has already arrived, without waiting.
    // `packet` is replaced on Packet and emptied otherwise. After Unframeable the stream has lost its
    // alignment; the caller drops the connection. After TooLong the caller drops the connection or
    // skips the packet.
    Result Read(CByteArray& packet, std::chrono::milliseconds timeout);

    // One step of Read for callers that wait their own way: cuts a packet from what has arrived or,
    // when there is none, waits at most `timeout` for one more piece and tries again. TimedOut: no
    // whole packet yet, whether a piece came (Pending() grew) or not.
    Result ReadPiece(CByteArray& packet, std::chrono::milliseconds timeout);

    // After TooLong: reads the rest of that packet as it comes and drops it, never holding more than
    // one receive of it, so the next Read starts at the packet after it. Waits without limit; false
    // when the connection ends first.
    bool SkipTooLong();

    // Bytes received and not yet handed out.
    const CByteArray& Pending() const { return m_pending; }

private:
    // Cuts a whole packet from the pending bytes; TimedOut when more bytes are needed.
    Result Cut(CByteArray& packet);
    // One receive into the pending bytes; false when the connection has ended.
    bool ReceiveSome();

    platform::CSocket& m_socket;
    PacketLimits m_limits;
    CByteArray m_pending;
};

}  // namespace tessaly
