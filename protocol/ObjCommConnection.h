// The client end of an object-communication link: connect to the host by TCP, send one message,
// read back one command. Used by one thread from connect to close; no time-outs anywhere.
#pragma once

#include <cstdint>
#include <memory>

#include "common/Types.h"
#include "platform/Socket.h"
#include "protocol/BinaryString.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"

namespace tessaly {

class CObjCommConnection {
public:
    // Thrown by the receive primitives when the peer has closed the connection or it failed.
    class CSocketClosed {};

    // The largest payload a packet may announce. Larger ones are read and dropped without being
    // stored, so the stream stays aligned, and then refused with CPassThruParseError.
    static constexpr std::uint32_t kMaxPayloadLength = 16U * 1024U * 1024U;

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
    // has then been consumed whole, so the next Receive starts at the next packet.
    std::unique_ptr<CObjCommResponse> Receive(bool extended);

    // Cuts one packet from the stream into `buffer` (emptied first): long forms 00 and 02 and the
    // short forms 01, 03, 99, FF by their layouts. False when the peer closed the connection.
    // Throws CPassThruParseError for a frame type of no known layout (the stream cannot be cut
    // after it) and for a payload above kMaxPayloadLength (after consuming the whole packet).
    bool ReceivePacket(CInBinaryString& buffer);
    // Each reads its field, appends its bytes to `buffer` and returns the value; CSocketClosed when
    // the connection ends first.
    std::uint8_t ReceiveByte(CInBinaryString& buffer);
    std::uint16_t ReceiveWord(CInBinaryString& buffer);
    std::uint32_t ReceiveDWord(CInBinaryString& buffer);
    // A length prefix (1, 2 or 4 bytes) and that many bytes. Returns false, with only the prefix
    // appended and the bytes read and dropped, when the length exceeds kMaxPayloadLength.
    bool ReceiveBlock(CInBinaryString& buffer, LengthPrefix prefix);

    // The transaction number of the last packet parsed on this connection (0 when it was not a
    // pass-through command); stamped into every message sent afterwards.
    std::uint16_t GetLastTransactionNumber() const { return m_lastTransactionNumber; }

private:
    // Exactly `count` bytes into `target`, or CSocketClosed.
    void ReceiveExact(std::uint8_t* target, std::size_t count);
    void DiscardExact(std::uint64_t count);

    std::int32_t m_connected = 0;
    platform::CSocket m_socket;
    std::uint16_t m_lastTransactionNumber = 0;
};

}  // namespace tessaly
