#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/Socket.h"

namespace tessaly::platform {
namespace {

using Native = int;
constexpr Native kInvalid = -1;

// One call moves at most this much; the callers loop.
constexpr std::size_t kMaxIo = INT_MAX;

bool Interrupted() {
    return errno == EINTR;
}

// Children of the host process must not inherit our connections.
void KeepFromChildren(Native socket) {
    (void)fcntl(socket, F_SETFD, FD_CLOEXEC);
}

// Polls one socket, repeating after interruptions with the time that is left. A negative time-out
// waits without limit.
int PollOne(Native socket, short events, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const bool forever = timeout.count() < 0;
    const Clock::time_point deadline = Clock::now() + (forever ? std::chrono::milliseconds(0) : timeout);
    for (;;) {
        int milliseconds = -1;
        if (!forever) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            milliseconds =
                static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
        }
        pollfd entry{};
        entry.fd = socket;
        entry.events = events;
        const int result = poll(&entry, 1, milliseconds);
        if (result >= 0 || !Interrupted()) {
            return result;
        }
    }
}

sockaddr_in MakeAddress(std::uint32_t networkAddress, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = networkAddress;
    return address;
}

}  // namespace

bool StartSockets() {
    return true;
}

std::optional<std::uint32_t> ParseIpv4(const std::string& text) {
    // inet_pton would stop at an embedded zero byte and accept what precedes it.
    if (text.empty() || text.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(address.s_addr);
}

std::string HostName() {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) {
        return {};
    }
    return buffer;
}

CSocket CSocket::CreateTcp() {
    const Native socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket == kInvalid) {
        return CSocket();
    }
    KeepFromChildren(socket);
    return CSocket(static_cast<Handle>(socket));
}

bool CSocket::BindAny(std::uint16_t port) {
    if (!IsOpen()) {
        return false;
    }
    const sockaddr_in address = MakeAddress(htonl(INADDR_ANY), port);
    return bind(static_cast<Native>(m_handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
           0;
}

bool CSocket::Bind(const std::string& address, std::uint16_t port) {
    const std::optional<std::uint32_t> ip = ParseIpv4(address);
    if (!IsOpen() || !ip) {
        return false;
    }
    const sockaddr_in local = MakeAddress(*ip, port);
    return bind(static_cast<Native>(m_handle), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool CSocket::SetReuseAddress() {
    if (!IsOpen()) {
        return false;
    }
    const int on = 1;
    return setsockopt(static_cast<Native>(m_handle), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0;
}

bool CSocket::Listen(int backlog) {
    return IsOpen() && listen(static_cast<Native>(m_handle), backlog) == 0;
}

CSocket CSocket::Accept(std::string* peerAddress, std::uint16_t* peerPort) {
    if (!IsOpen()) {
        return CSocket();
    }
    sockaddr_in peer{};
    Native socket = kInvalid;
    for (;;) {
        socklen_t length = sizeof peer;
        socket = accept(static_cast<Native>(m_handle), reinterpret_cast<sockaddr*>(&peer), &length);
        if (socket != kInvalid || !Interrupted()) {
            break;
        }
    }
    if (socket == kInvalid) {
        return CSocket();
    }
    KeepFromChildren(socket);
    CSocket accepted(static_cast<Handle>(socket));
    if (peerAddress != nullptr) {
        char text[INET_ADDRSTRLEN] = {};
        *peerAddress = inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text) != nullptr ? text : "";
    }
    if (peerPort != nullptr) {
        *peerPort = ntohs(peer.sin_port);
    }
    return accepted;
}

bool CSocket::Connect(const std::string& address, std::uint16_t port) {
    const std::optional<std::uint32_t> ip = ParseIpv4(address);
    if (!IsOpen() || !ip) {
        return false;
    }
    const Native socket = static_cast<Native>(m_handle);
    const sockaddr_in target = MakeAddress(*ip, port);
    if (connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        return true;
    }
    // An interrupted connect goes on by itself; wait for its outcome.
    if (errno == EINTR) {
        if (PollOne(socket, POLLOUT, std::chrono::milliseconds(-1)) <= 0) {
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        return getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    return false;
}

bool CSocket::SetNoDelay(bool on) {
    if (!IsOpen()) {
        return false;
    }
    const int value = on ? 1 : 0;
    return setsockopt(static_cast<Native>(m_handle), IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0;
}

std::uint16_t CSocket::LocalPort() const {
    if (!IsOpen()) {
        return 0;
    }
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(static_cast<Native>(m_handle), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

std::ptrdiff_t CSocket::Send(const std::uint8_t* data, std::size_t size) {
    if (!IsOpen() || (data == nullptr && size != 0)) {
        return -1;
    }
    if (size == 0) {
        return 0;
    }
    for (;;) {
        // MSG_NOSIGNAL: a closed peer is an error result, not a signal.
        const ssize_t sent = send(static_cast<Native>(m_handle), data, std::min(size, kMaxIo), MSG_NOSIGNAL);
        if (sent > 0) {
            return static_cast<std::ptrdiff_t>(sent);
        }
        if (sent == 0 || !Interrupted()) {
            return -1;
        }
    }
}

std::ptrdiff_t CSocket::Receive(std::uint8_t* data, std::size_t size) {
    if (!IsOpen() || data == nullptr || size == 0) {
        return -1;
    }
    for (;;) {
        const ssize_t received = recv(static_cast<Native>(m_handle), data, std::min(size, kMaxIo), 0);
        if (received >= 0) {
            return static_cast<std::ptrdiff_t>(received);
        }
        if (!Interrupted()) {
            return -1;
        }
    }
}

CSocket::WaitResult CSocket::WaitReadable(std::chrono::milliseconds timeout) {
    if (!IsOpen()) {
        return WaitResult::Failed;
    }
    const int result = PollOne(static_cast<Native>(m_handle), POLLIN, timeout);
    if (result > 0) {
        return WaitResult::Readable;  // data, a connection, or an end that Receive will report
    }
    return result == 0 ? WaitResult::TimedOut : WaitResult::Failed;
}

bool CSocket::Shutdown() {
    return IsOpen() && shutdown(static_cast<Native>(m_handle), SHUT_RDWR) == 0;
}

void CSocket::Close() {
    if (IsOpen()) {
        (void)close(static_cast<Native>(m_handle));
        m_handle = kNoSocket;
    }
}

}  // namespace tessaly::platform
