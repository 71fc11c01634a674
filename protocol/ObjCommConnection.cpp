#include "protocol/ObjCommConnection.h"

#include <algorithm>
#include <array>

#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"

namespace tessaly {
namespace {

// Payload storage grows by at most this much ahead of the bytes that have arrived, so a length
// that a peer merely announces never decides an allocation.
constexpr std::size_t kReceiveChunk = std::size_t{64} * 1024;

}  // namespace

bool CObjCommConnection::Connect(const CString& ip, std::uint16_t port) {
    platform::CSocket socket = platform::CSocket::CreateTcp();
    if (!socket.IsOpen() || !socket.BindAny(0) || !socket.Connect(ip, port)) {
        return false;
    }
    // Requests and answers are small and strictly alternate: nothing is gained by delaying them.
    (void)socket.SetNoDelay(true);
    m_socket = std::move(socket);
    m_connected = 1;
    m_lastTransactionNumber = 0;
    return true;
}

void CObjCommConnection::Close() {
    m_socket.Close();
    m_connected = 0;
}

bool CObjCommConnection::Send(const CObjCommMessage& message, const CString& address, bool wideLength) {
    COutBinaryString packet;
    if (!message.BuildPacket(packet, m_lastTransactionNumber, address, wideLength)) {
        return false;
    }
    return SendAll(packet.Bytes());
}

bool CObjCommConnection::SendAll(const CByteArray& bytes) {
    return m_socket.SendAll(bytes.data(), bytes.size());
}

std::unique_ptr<CObjCommResponse> CObjCommConnection::Receive(bool extended) {
    CInBinaryString packet;
    // The factory sets the number as far as it gets, so a rejected packet also leaves its mark: 0,
    // or the number of a pass-through command with an unknown sub-command.
    std::uint32_t transactionNumber = 0;
    try {
        if (!ReceivePacket(packet)) {
            return nullptr;
        }
        std::unique_ptr<CObjCommResponse> response =
            CObjCommResponse::CreateFromPacket(packet, transactionNumber, extended);
        m_lastTransactionNumber = static_cast<std::uint16_t>(transactionNumber);
        return response;
    } catch (const CPassThruFormatError&) {
        m_lastTransactionNumber = static_cast<std::uint16_t>(transactionNumber);
        throw;
    }
}

bool CObjCommConnection::ReceivePacket(CInBinaryString& buffer) {
    buffer.Bytes().clear();
    buffer.SetPosition(0);
    try {
        const std::uint8_t frameType = ReceiveByte(buffer);
        bool payloadKept = true;
        if (frameType == kFrameLong || frameType == kFrameWide) {
            (void)ReceiveBlock(buffer, LengthPrefix::OneByte);  // the address
            (void)ReceiveByte(buffer);                          // the command code
            payloadKept = ReceiveBlock(
                buffer, frameType == kFrameWide ? LengthPrefix::FourBytes : LengthPrefix::TwoBytes);
        } else if (IsShortFrameType(frameType)) {
            payloadKept = ReceiveBlock(buffer, LengthPrefix::TwoBytes);
        } else {
            // No layout tells where such a packet ends.
            throw CPassThruParseError();
        }
        (void)ReceiveByte(buffer);  // the checksum
        if (!payloadKept) {
            throw CPassThruParseError();
        }
        return true;
    } catch (const CSocketClosed&) {
        return false;
    }
}

std::uint8_t CObjCommConnection::ReceiveByte(CInBinaryString& buffer) {
    std::uint8_t value = 0;
    ReceiveExact(&value, 1);
    buffer.Bytes().push_back(value);
    return value;
}

std::uint16_t CObjCommConnection::ReceiveWord(CInBinaryString& buffer) {
    std::array<std::uint8_t, 2> bytes{};
    ReceiveExact(bytes.data(), bytes.size());
    buffer.Bytes().insert(buffer.Bytes().end(), bytes.begin(), bytes.end());
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::uint32_t CObjCommConnection::ReceiveDWord(CInBinaryString& buffer) {
    std::array<std::uint8_t, 4> bytes{};
    ReceiveExact(bytes.data(), bytes.size());
    buffer.Bytes().insert(buffer.Bytes().end(), bytes.begin(), bytes.end());
    return (static_cast<std::uint32_t>(bytes[0]) << 24) | (static_cast<std::uint32_t>(bytes[1]) << 16) |
           (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
}

bool CObjCommConnection::ReceiveBlock(CInBinaryString& buffer, LengthPrefix prefix) {
    std::uint32_t length = 0;
    switch (prefix) {
        case LengthPrefix::OneByte:
            length = ReceiveByte(buffer);
            break;
        case LengthPrefix::TwoBytes:
            length = ReceiveWord(buffer);
            break;
        case LengthPrefix::FourBytes:
            length = ReceiveDWord(buffer);
            break;
        case LengthPrefix::None:
            break;
    }
    if (length > kMaxPayloadLength) {
        DiscardExact(length);
        return false;
    }
    CByteArray& bytes = buffer.Bytes();
    std::size_t left = length;
    while (left > 0) {
        const std::size_t chunk = std::min(left, kReceiveChunk);
        const std::size_t at = bytes.size();
        bytes.resize(at + chunk);
        try {
            ReceiveExact(bytes.data() + at, chunk);
        } catch (const CSocketClosed&) {
            bytes.resize(at);
            throw;
        }
        left -= chunk;
    }
    return true;
}

void CObjCommConnection::ReceiveExact(std::uint8_t* target, std::size_t count) {
    while (count > 0) {
        const std::ptrdiff_t received = m_socket.Receive(target, count);
        if (received <= 0) {
            throw CSocketClosed();
        }
        target += received;
        count -= static_cast<std::size_t>(received);
    }
}

void CObjCommConnection::DiscardExact(std::uint64_t count) {
    std::array<std::uint8_t, 4096> sink{};
    while (count > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(count, sink.size()));
        ReceiveExact(sink.data(), chunk);
        count -= chunk;
    }
}

}  // namespace tessaly
