// The client end of an object-communication link: connect to the host by TCP, send one message,
// read back one command. Used by one thread from connect to close; no time-outs anywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/Types.h"
#include "platform/Socket.h"
#include "protocol/BinaryString.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/PacketReader.h"

namespace tessaly {

class CObjCommConnection {
public:
    CObjCommConnection() = default;
    CObjCommConnection(const CObjCommConnection&) = delete;
    CObjCommConnection& operator=(const CObjCommConnection&) = delete;

    // `ip` is dotted-decimal IPv4 text; no host name is looked up. On failure nothing changes and
    // nothing is left open. A second successful connect replaces the first connection.
    bool Connect(const CString& ip, std::uint16_t port);
    // Closes the socket; the connection then reports itself as not connected.
    void Close();
    bool IsConnected() const { return m_connected != 0; }

    // Frames `message` with the last transaction number and writes the whole packet. False when
    // the packet cannot be built or not every byte was written.
    bool Send(const CObjCommMessage& message, const CString& address, bool wideLength);
    bool SendAll(const CByteArray& bytes);

    // Reads one packet and parses it with this extended flag; null when the peer closed the
    // connection (the partial packet is dropped). The parse exceptions pass through; the packet
    // has then been consumed whole, so the next Receive starts at the next packet, unless the
    // frame type had no layout: then the connection is closed and the next Receive returns null.
    std::unique_ptr<CObjCommResponse> Receive(bool extended);

    // Cuts one packet from the stream into `buffer` (emptied first): long forms 00 and 02 and the
    // short forms 01, 03, 99, FF by their layouts. False when the peer closed the connection (or it
    // was never made). A payload above kMaxClientPayload is read and dropped without being stored,
    // so the stream stays aligned, then refused with CPassThruParseError. A frame type of no known
    // layout closes the connection (nothing tells where the next packet would start), then throws
    // CPassThruParseError; later receives return false.
    bool ReceivePacket(CInBinaryString& buffer);

    // The transaction number of the last packet parsed on this connection (0 when it was not a
    // pass-through command); stamped into every message sent afterwards.
    std::uint16_t GetLastTransactionNumber() const { return m_lastTransactionNumber; }

private:
    std::int32_t m_connected = 0;
    platform::CSocket m_socket;
    // Made with each connection, so no byte of an earlier one is left over.
    std::optional<CPacketReader> m_reader;
    std::uint16_t m_lastTransactionNumber = 0;
};

}  // namespace tessaly
