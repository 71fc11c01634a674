#include "protocol/ObjCommConnection.h"

#include <limits>

#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"

namespace tessaly {

bool CObjCommConnection::Connect(const CString& ip, std::uint16_t port) {
    platform::CSocket socket = platform::CSocket::CreateTcp();
    if (!socket.IsOpen() || !socket.BindAny(0) || !socket.Connect(ip, port)) {
        return false;
    }
    // Requests and answers are small and strictly alternate: nothing is gained by delaying them.
    (void)socket.SetNoDelay(true);
    m_reader.reset();
    m_socket = std::move(socket);
    // No limit on the whole packet: the payload limit bounds it.
    m_reader.emplace(m_socket, PacketLimits{std::numeric_limits<std::uint64_t>::max(), kMaxClientPayload});
    m_connected = 1;
    m_lastTransactionNumber = 0;
    return true;
}

void CObjCommConnection::Close() {
    m_reader.reset();
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
    if (!m_reader) {
        return false;
    }
    switch (m_reader->Read(buffer.Bytes(), CPacketReader::kNoTimeOut)) {
        case CPacketReader::Result::Packet:
            return true;
        case CPacketReader::Result::TooLong:
            if (!m_reader->SkipTooLong()) {
                return false;
            }
            throw CPassThruParseError();
        case CPacketReader::Result::Unframeable:
            // Nothing tells where the next packet starts: reading on would take the middle of a
            // packet for the start of one.
            Close();
            throw CPassThruParseError();
        case CPacketReader::Result::TimedOut:  // not without a time-out
        case CPacketReader::Result::Closed:
            break;
    }
    return false;
}

}  // namespace tessaly
