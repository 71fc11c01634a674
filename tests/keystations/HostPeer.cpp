#include "tests/keystations/HostPeer.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "protocol/BinaryString.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/MessageDecoder.h"
#include "tests/support/TestPackets.h"

namespace tessaly::test {
namespace {

using Clock = std::chrono::steady_clock;
using platform::CSocket;

CByteArray Framed(const char* address, std::uint8_t subCommand, std::uint16_t transaction,
                  const std::string& bodyHex) {
    COutBinaryString payload;
    payload.AppendByte(subCommand).AppendWord(transaction).AppendBytes(Hex(bodyHex));
    COutBinaryString out;
    out.AppendByte(0x00).SetLengthPrefix(LengthPrefix::OneByte).AppendString(address);
    out.AppendByte(0x0A).SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(payload.Bytes());
    out.SetLengthPrefix(LengthPrefix::None).AppendChecksum();
    return out.TakeBytes();
}

}  // namespace

CHostPeer::CHostPeer(std::uint16_t port, std::chrono::milliseconds connectLimit) {
    const Clock::time_point deadline = Clock::now() + connectLimit;
    for (;;) {
        m_socket = CSocket::CreateTcp();
        if (m_socket.Connect("127.0.0.1", port)) {
            m_socket.SetNoDelay(true);
            return;
        }
        m_socket.Close();
        if (Clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool CHostPeer::Send(const CByteArray& bytes) {
    return m_socket.SendAll(bytes.data(), bytes.size());
}

bool CHostPeer::SendPieces(const std::vector<CByteArray>& pieces, std::chrono::milliseconds pause) {
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i != 0) {
            std::this_thread::sleep_for(pause);
        }
        if (!Send(pieces[i])) {
            return false;
        }
    }
    return true;
}

bool CHostPeer::ReadExactly(CByteArray& bytes, std::size_t count, Clock::time_point deadline) {
    std::size_t have = 0;
    const std::size_t start = bytes.size();
    bytes.resize(start + count);
    while (have < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || m_socket.WaitReadable(left) != CSocket::WaitResult::Readable) {
            bytes.resize(start + have);
            return false;
        }
        const std::ptrdiff_t got = m_socket.Receive(bytes.data() + start + have, count - have);
        if (got <= 0) {
            bytes.resize(start + have);
            return false;
        }
        have += static_cast<std::size_t>(got);
    }
    return true;
}

StationAnswer CHostPeer::Receive(std::chrono::milliseconds limit) {
    StationAnswer answer;
    const Clock::time_point deadline = Clock::now() + limit;
    CByteArray bytes;
    // Stations answer in the long forms: frame type, address, command, length, payload, checksum.
    if (!ReadExactly(bytes, 2, deadline)) {
        answer.error = "no answer";
        return answer;
    }
    const bool wide = bytes[0] == 0x02;
    const std::size_t width = wide ? 4 : 2;
    if ((bytes[0] != 0x00 && !wide) || !ReadExactly(bytes, bytes[1] + 1 + width, deadline)) {
        answer.bytes = bytes;
        answer.error = "not a long-form answer";
        return answer;
    }
    std::size_t length = 0;
    for (std::size_t i = bytes.size() - width; i < bytes.size(); ++i) {
        length = (length << 8) | bytes[i];
    }
    if (!ReadExactly(bytes, length + 1, deadline)) {
        answer.bytes = bytes;
        answer.error = "answer cut short";
        return answer;
    }
    answer.bytes = bytes;
    try {
        CInBinaryString in(bytes);
        answer.message = CreateMessageFromPacket(in, answer.transaction, true);
    } catch (const CPassThruFormatError& error) {
        answer.error = error.Name();
    }
    return answer;
}

StationAnswer CHostPeer::Exchange(const CByteArray& packet, std::chrono::milliseconds limit) {
    if (!Send(packet)) {
        StationAnswer answer;
        answer.error = "send failed";
        return answer;
    }
    return Receive(limit);
}

bool CHostPeer::WaitForClose(std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    std::uint8_t buffer[256];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        const CSocket::WaitResult wait = m_socket.WaitReadable(left);
        if (wait == CSocket::WaitResult::Failed) {
            return true;
        }
        if (wait == CSocket::WaitResult::TimedOut) {
            return false;
        }
        if (m_socket.Receive(buffer, sizeof buffer) <= 0) {
            return true;
        }
    }
}

bool CHostPeer::Silent(std::chrono::milliseconds limit) {
    return m_socket.WaitReadable(limit) == CSocket::WaitResult::TimedOut;
}

CByteArray HostRequest(std::uint8_t subCommand, std::uint16_t transaction, const std::string& bodyHex) {
    return Framed("0123456789ABCDEF", subCommand, transaction, bodyHex);
}

CByteArray StationReply(std::uint8_t subCommand, std::uint16_t transaction, const std::string& bodyHex) {
    return Framed("[KEY]", subCommand, transaction, bodyHex);
}

std::uint16_t FreePort(std::uint16_t first, std::uint16_t last) {
    static std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> pick(first, last);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = static_cast<std::uint16_t>(pick(random));
        CSocket probe = CSocket::CreateTcp();
        if (probe.Bind("0.0.0.0", port)) {
            return port;
        }
    }
    ADD_FAILURE() << "no free port found";
    return 0;
}

}  // namespace tessaly::test
