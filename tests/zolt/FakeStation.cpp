#include "tests/zolt/FakeStation.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "protocol/BinaryString.h"
#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"

namespace tessaly::test {
namespace {

// A test that goes wrong must not keep the suite waiting for ever.
constexpr std::chrono::seconds kPatience(10);

}  // namespace

CByteArray CStationLink::Receive() {
    if (m_socket.WaitReadable(kPatience) != platform::CSocket::WaitResult::Readable) {
        return {};
    }
    CByteArray bytes(kMaxStationPacket);
    const std::ptrdiff_t received = m_socket.Receive(bytes.data(), bytes.size());
    if (received <= 0) {
        return {};
    }
    bytes.resize(static_cast<std::size_t>(received));
    m_station.Record(bytes);
    return bytes;
}

void CStationLink::Send(const CByteArray& bytes) {
    // A failed write shows in the client's result; the station only plays its part.
    (void)m_socket.SendAll(bytes.data(), bytes.size());
}

void CStationLink::Reply(const CObjCommMessage& message, std::uint16_t transaction) {
    COutBinaryString packet;
    ASSERT_TRUE(message.BuildPacket(packet, transaction, kAddressKeyStation, false));
    Send(packet.Bytes());
}

void CStationLink::WaitForClose() {
    std::array<std::uint8_t, 256> sink{};
    while (m_socket.WaitReadable(kPatience) == platform::CSocket::WaitResult::Readable &&
           m_socket.Receive(sink.data(), sink.size()) > 0) {
    }
}

CFakeStation::CFakeStation(std::vector<Session> sessions) : m_listener(platform::CSocket::CreateTcp()) {
    EXPECT_TRUE(m_listener.Bind("127.0.0.1", 0));
    EXPECT_TRUE(m_listener.Listen(5));
    m_port = m_listener.LocalPort();
    m_thread = std::thread([this, sessions = std::move(sessions)] {
        for (const Session& session : sessions) {
            if (m_listener.WaitReadable(kPatience) != platform::CSocket::WaitResult::Readable) {
                return;
            }
            platform::CSocket connection = m_listener.Accept();
            if (!connection.IsOpen()) {
                return;
            }
            (void)connection.SetNoDelay(true);
            CStationLink link(connection, *this);
            session(link);
        }
    });
}

CFakeStation::~CFakeStation() {
    Join();
}

void CFakeStation::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::vector<CByteArray> CFakeStation::Receives() const {
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_receives;
}

void CFakeStation::Record(const CByteArray& bytes) {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_receives.push_back(bytes);
}

std::unique_ptr<CObjCommResponse> ParseAsStation(const CByteArray& packet, std::uint32_t& transaction) {
    CInBinaryString in(packet);
    try {
        return CObjCommResponse::CreateFromPacket(in, transaction, true);
    } catch (const CPassThruFormatError&) {
        return nullptr;
    }
}

void AnswerLikeStation(CStationLink& link) {
    std::uint16_t last = 0;  // the number of the last packet that parsed
    for (CByteArray bytes = link.Receive(); !bytes.empty(); bytes = link.Receive()) {
        CInBinaryString in(bytes);
        std::uint32_t transaction = 0;
        std::unique_ptr<CObjCommResponse> command;
        try {
            command = CObjCommResponse::CreateFromPacket(in, transaction, true);
        } catch (const CPassThruFormatError& error) {
            link.Reply(CMsgPassThroughModeFinish(error.FinishReason(), true), last);
            continue;
        }
        last = static_cast<std::uint16_t>(transaction);
        if (command->GetCommand() == 0x99) {
            link.Reply(CMsgHealthCheck(true, true), last);
        } else if (command->GetSubCommand() == 0x13) {
            link.Reply(CMsgKeepAlive(true), last);
        }
    }
}

}  // namespace tessaly::test
