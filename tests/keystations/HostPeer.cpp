#include "tests/keystations/HostPeer.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/MessageDecoder.h"
#include "tests/support/TestPackets.h"

namespace tessaly::test {
namespace {

using Clock = std::chrono::steady_clock;
using platform::CSocket;

CByteArray PassThrough(const char* address, std::uint8_t subCommand, std::uint16_t transaction,
                       const std::string& bodyHex) {
    COutBinaryString payload;
    AppendPassThroughHeader(payload, subCommand, transaction);
    payload.AppendBytes(Hex(bodyHex));
    COutBinaryString out;
    EXPECT_TRUE(WritePacketFrame(out, kFrameLong, address, kCommandPassThrough, payload.Bytes()));
    return out.TakeBytes();
}

}  // namespace

CHostPeer::CHostPeer(std::uint16_t port, std::chrono::milliseconds connectLimit) {
    const Clock::time_point deadline = Clock::now() + connectLimit;
    for (;;) {
        m_socket = CSocket::CreateTcp();
        if (m_socket.Connect("127.0.0.1", port)) {
            (void)m_socket.SetNoDelay(true);
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

StationAnswer CHostPeer::Receive(std::chrono::milliseconds limit) {
    StationAnswer answer;
    if (m_reader.Read(answer.bytes, limit) != CPacketReader::Result::Packet) {
        answer.bytes = m_reader.Pending();
        answer.error = "no whole answer";
        return answer;
    }
    try {
        CInBinaryString in(answer.bytes);
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
    std::uint8_t sink[256];
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const CSocket::WaitResult wait = m_socket.WaitReadable(std::max(left, std::chrono::milliseconds(0)));
        if (wait != CSocket::WaitResult::Readable) {
            return wait == CSocket::WaitResult::Failed;
        }
        if (m_socket.Receive(sink, sizeof sink) <= 0) {
            return true;
        }
    }
}

bool CHostPeer::Silent(std::chrono::milliseconds limit) {
    return m_reader.Pending().empty() && m_socket.WaitReadable(limit) == CSocket::WaitResult::TimedOut;
}

CByteArray HostRequest(std::uint8_t subCommand, std::uint16_t transaction, const std::string& bodyHex) {
    return PassThrough(kAddressCardProcessing, subCommand, transaction, bodyHex);
}

CByteArray StationReply(std::uint8_t subCommand, std::uint16_t transaction, const std::string& bodyHex) {
    return PassThrough(kAddressKeyStation, subCommand, transaction, bodyHex);
}

std::uint16_t FreePort(std::uint16_t first, std::uint16_t last) {
    static std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> pick(first, last);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = static_cast<std::uint16_t>(pick(random));
        if (CSocket::CreateTcp().Bind("0.0.0.0", port)) {
            return port;
        }
    }
    ADD_FAILURE() << "no free port found";
    return 0;
}

}  // namespace tessaly::test
