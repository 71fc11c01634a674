#include "tests/zolt/FakeStation.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>

#include "protocol/BinaryString.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "tests/support/TestPackets.h"

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

namespace {

// Frames `message` as a key station does: its transaction number, address "[KEY]".
void Reply(CStationLink& link, const CObjCommMessage& message, std::uint16_t transaction) {
    COutBinaryString packet;
    ASSERT_TRUE(message.BuildPacket(packet, transaction, kAddressKeyStation, false));
    link.Send(packet.Bytes());
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
            Reply(link, CMsgPassThroughModeFinish(error.FinishReason(), true), last);
            continue;
        }
        last = static_cast<std::uint16_t>(transaction);
        if (command->GetCommand() == 0x99) {
            Reply(link, CMsgHealthCheck(true, true), last);
        } else if (command->GetSubCommand() == 0x13) {
            Reply(link, CMsgKeepAlive(true), last);
        } else if (command->GetSubCommand() == 0x05) {
            Reply(link, CMsgProcess(false, 0x6A82, Hex("6F1A"), false, true), last);
        }
    }
}

}  // namespace

CFakeStation::Session NamedSession(const std::string& name) {
    if (name == "answer") {
        return AnswerLikeStation;
    }
    if (name == "close") {
        return [](CStationLink& link) { (void)link.Receive(); };
    }
    if (name == "twice") {
        return [](CStationLink& link) {
            (void)link.Receive();
            const CByteArray once = PassThroughPacket(0x13, 1, {});
            CByteArray twice = once;
            twice.insert(twice.end(), once.begin(), once.end());
            link.Send(twice);
            link.WaitForClose();
        };
    }
    EXPECT_TRUE(name == "silent" || name == "sink") << name;
    return [silent = name == "silent"](CStationLink& link) {
        if (silent) {
            (void)link.Receive();
        }
        link.WaitForClose();
    };
}

}  // namespace tessaly::test
