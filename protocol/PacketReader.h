// Cutting packets out of a TCP stream by the frame layout, with a time-out: the frame type says where
// the address and the length field are, the length field says where the packet ends.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "common/Types.h"
#include "platform/Socket.h"

namespace tessaly {

// How much of a packet the bytes at the start of a buffer hold.
struct PacketExtent {
    enum class Kind {
        Incomplete,   // more bytes are needed; `length` is the least total that tells more
        Complete,     // `length` is the size of the whole packet (checksum included)
        Unframeable,  // the first byte is no frame type with a layout: nothing says where it ends
    };
    Kind kind = Kind::Incomplete;
    std::uint64_t length = 0;
};

// Long forms 00 and 02 and the short forms 01, 03, 99, FF. Checks nothing but the layout; the
// codec judges the packet afterwards.
PacketExtent MeasurePacket(const std::uint8_t* data, std::size_t size);

// Reads whole packets from a connected socket it borrows. Bytes that arrive after a packet are kept
// for the next Read, so packets that share a segment, or come in pieces, are cut the same way.
class CPacketReader {
public:
    enum class Result {
        Packet,       // `packet` holds one whole packet
        TimedOut,     // nothing complete within the time-out; Pending() holds what did arrive
        Closed,       // the peer closed the connection (or it failed); Pending() holds a partial packet
        Unframeable,  // the stream cannot be cut: Pending() starts with a byte of no known layout
        TooLong,      // the packet announces more than the reader accepts; Pending() holds its start
    };

    static constexpr std::uint64_t kDefaultMaxPacket = 16U * 1024U * 1024U + 16U;

    explicit CPacketReader(platform::CSocket& socket, std::uint64_t maxPacket = kDefaultMaxPacket)
        : m_socket(socket), m_maxPacket(maxPacket) {}
    CPacketReader(const CPacketReader&) = delete;
    CPacketReader& operator=(const CPacketReader&) = delete;

    // Waits at most `timeout` (a negative time-out waits without limit) for one whole packet. A
    // time-out of 0 takes what has already arrived, without waiting.
    // `packet` is replaced on Packet and emptied otherwise. After Unframeable or TooLong the stream
    // has lost its alignment; the caller drops Pending() or the connection.
    Result Read(CByteArray& packet, std::chrono::milliseconds timeout);

    // Bytes received and not yet handed out.
    const CByteArray& Pending() const { return m_pending; }
    void DropPending() { m_pending.clear(); }

private:
    // One receive into the pending bytes; false when the connection has ended.
    bool ReceiveSome();

    platform::CSocket& m_socket;
    std::uint64_t m_maxPacket;
    CByteArray m_pending;
};

}  // namespace tessaly
