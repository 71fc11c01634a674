// A TCP socket over BSD sockets (SocketPosix.cpp) or Winsock 2 (SocketWin32.cpp), owned like a file:
// closed when the object goes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tessaly::platform {

// Starts Winsock once for the whole process (it is cleaned up at exit); nothing to do elsewhere.
// False when the socket library cannot be started. Every CSocket operation calls it itself.
bool StartSockets();

// Dotted-decimal IPv4 text ("192.168.0.10") to the address in network byte order. Host names and
// every other notation are refused: nothing here ever does a name lookup.
std::optional<std::uint32_t> ParseIpv4(const std::string& text);

// This computer's host name, or the empty text when it cannot be read.
std::string HostName();

class CSocket {
public:
    enum class WaitResult { Readable, TimedOut, Failed };

    CSocket() = default;  // no socket
    ~CSocket();
    CSocket(CSocket&& other) noexcept;
    CSocket& operator=(CSocket&& other) noexcept;
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    // An IPv4 stream socket; one that is not open when the system refuses.
    static CSocket CreateTcp();
    bool IsOpen() const { return m_handle != kNoSocket; }

    // Local end: any address or the given dotted-decimal one; port 0 lets the system choose.
    bool BindAny(std::uint16_t port);
    bool Bind(const std::string& address, std::uint16_t port);
    // Lets a restarted server bind its port while old connections linger (POSIX SO_REUSEADDR).
    // On Windows that option would let another program take the port, so nothing is set there.
    bool SetReuseAddress();
    bool Listen(int backlog);
    // The next connection; a socket that is not open on failure. The peer's address and port are
    // stored where pointers are given.
    CSocket Accept(std::string* peerAddress = nullptr, std::uint16_t* peerPort = nullptr);
    // Blocks until connected or refused. Dotted-decimal IPv4 only.
    bool Connect(const std::string& address, std::uint16_t port);
    bool SetNoDelay(bool on);
    // The bound local port, or 0 when there is none.
    std::uint16_t LocalPort() const;

    // Bytes written (at least 1), or -1 on failure. Never raises SIGPIPE.
    std::ptrdiff_t Send(const std::uint8_t* data, std::size_t size);
    // Repeats Send until every byte is written; false when a send fails.
    bool SendAll(const std::uint8_t* data, std::size_t size);
    // Bytes read (at least 1), 0 when the peer closed the connection, -1 on failure.
    std::ptrdiff_t Receive(std::uint8_t* data, std::size_t size);
    // Waits until a Receive (or, for a listening socket, an Accept) would not block.
    WaitResult WaitReadable(std::chrono::milliseconds timeout);

    // Ends both directions. The one call meant for another thread: a Receive blocked in the owning
    // thread then returns 0 or -1. The socket stays open until its owner closes it. A thread that
    // must also stop waiting in Accept loops on WaitReadable with a short time-out instead.
    bool Shutdown();
    // Closes the socket (owning thread only).
    void Close();

private:
    using Handle = std::uintptr_t;  // SOCKET on Windows, the file descriptor elsewhere
    static constexpr Handle kNoSocket = ~Handle{0};

    explicit CSocket(Handle handle) : m_handle(handle) {}

    Handle m_handle = kNoSocket;
};

}  // namespace tessaly::platform
