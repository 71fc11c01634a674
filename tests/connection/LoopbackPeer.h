// The far end of a test connection: a thread with a listening socket on 127.0.0.1 that accepts one
// connection and plays a script on it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "common/Types.h"
#include "platform/Socket.h"

namespace tessaly::test {

class CLoopbackPeer {
public:
    using Script = std::function<void(platform::CSocket& connection)>;

    explicit CLoopbackPeer(Script script);
    ~CLoopbackPeer();  // waits for the script; declare the peer before the client that ends it
    CLoopbackPeer(const CLoopbackPeer&) = delete;
    CLoopbackPeer& operator=(const CLoopbackPeer&) = delete;

    std::uint16_t Port() const { return m_port; }

private:
    platform::CSocket m_listener;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

// Script steps.
void Write(platform::CSocket& socket, const CByteArray& bytes);
// One write per piece, with a pause after each so that the reader sees them apart.
void WriteInPieces(platform::CSocket& socket, const CByteArray& bytes, std::size_t piece);
// Exactly `count` bytes, or fewer when the connection ends first.
CByteArray Read(platform::CSocket& socket, std::size_t count);
// Returns when the other end has closed.
void WaitForClose(platform::CSocket& socket);

}  // namespace tessaly::test
