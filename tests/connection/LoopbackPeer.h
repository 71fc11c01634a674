// The far end of a test connection: a thread with a listening socket on 127.0.0.1 that accepts one
// connection and plays a script on it.
#pragma once

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

// Script steps. WriteInPieces pauses after each piece so that the reader sees them apart (a piece
// of 0 writes everything at once). Read returns fewer bytes when the connection ends first.
void WriteInPieces(platform::CSocket& socket, const CByteArray& bytes, std::size_t piece = 0);
CByteArray Read(platform::CSocket& socket, std::size_t count);
// Returns when the other end has closed.
void WaitForClose(platform::CSocket& socket);

}  // namespace tessaly::test
