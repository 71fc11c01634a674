#include "tests/connection/LoopbackPeer.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>

namespace tessaly::test {

CLoopbackPeer::CLoopbackPeer(Script script) : m_listener(platform::CSocket::CreateTcp()) {
    EXPECT_TRUE(m_listener.Bind("127.0.0.1", 0));
    EXPECT_TRUE(m_listener.Listen(1));
    m_port = m_listener.LocalPort();
    m_thread = std::thread([this, script = std::move(script)] {
        // A client that never comes must not keep the test waiting for ever.
        if (m_listener.WaitReadable(std::chrono::seconds(10)) != platform::CSocket::WaitResult::Readable) {
            return;
        }
        platform::CSocket connection = m_listener.Accept();
        if (connection.IsOpen()) {
            (void)connection.SetNoDelay(true);
            script(connection);
        }
    });
}

CLoopbackPeer::~CLoopbackPeer() {
    m_thread.join();
}

void WriteInPieces(platform::CSocket& socket, const CByteArray& bytes, std::size_t piece) {
    // A failed write shows in the client's result; the peer only plays its part.
    const std::size_t step = piece == 0 ? bytes.size() : piece;
    for (std::size_t offset = 0; offset < bytes.size(); offset += step) {
        if (!socket.SendAll(bytes.data() + offset, std::min(step, bytes.size() - offset))) {
            return;
        }
        if (piece != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
}

CByteArray Read(platform::CSocket& socket, std::size_t count) {
    CByteArray bytes(count);
    std::size_t have = 0;
    while (have < count) {
        const std::ptrdiff_t got = socket.Receive(bytes.data() + have, count - have);
        if (got <= 0) {
            break;
        }
        have += static_cast<std::size_t>(got);
    }
    bytes.resize(have);
    return bytes;
}

void WaitForClose(platform::CSocket& socket) {
    std::array<std::uint8_t, 256> sink{};
    while (socket.Receive(sink.data(), sink.size()) > 0) {
    }
}

}  // namespace tessaly::test
