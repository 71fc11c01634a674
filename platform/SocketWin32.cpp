#include "platform/WindowsBase.h"
// ws2tcpip.h builds on winsock2.h.
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>

#include "platform/Socket.h"

namespace tessaly::platform {
namespace {

// One call moves at most this much; the callers loop.
constexpr std::size_t kMaxIo = INT_MAX;

// Children of the host process must not inherit our connections.
void KeepFromChildren(SOCKET socket) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): a SOCKET is a kernel handle
    (void)SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
}

// A negative time-out waits without limit.
int PollOne(SOCKET socket, short events, std::chrono::milliseconds timeout) {
    const int milliseconds =
        timeout.count() < 0
            ? -1
            : static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX));
    WSAPOLLFD entry{};
    entry.fd = socket;
    entry.events = events;
    return WSAPoll(&entry, 1, milliseconds);
}

sockaddr_in MakeAddress(std::uint32_t networkAddress, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = networkAddress;
    return address;
}

struct WinsockSession {
    bool started = false;
    WinsockSession() {
        WSADATA data{};
        started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession() {
        if (started) {
            WSACleanup();
        }
    }
};

}  // namespace

bool StartSockets() {
    static const WinsockSession kSession;
    return kSession.started;
}

std::optional<std::uint32_t> ParseIpv4(const std::string& text) {
    // inet_pton would stop at an embedded zero byte and accept what precedes it.
    if (text.empty() || text.find('\0') != std::string::npos || !StartSockets()) {
        return std::nullopt;
    }
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(address.s_addr);
}

std::string HostName() {
    if (!StartSockets()) {
        return {};
    }
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) {
        return {};
    }
    return buffer;
}

CSocket CSocket::CreateTcp() {
    if (!StartSockets()) {
        return CSocket();
    }
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket == INVALID_SOCKET) {
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
    return bind(static_cast<SOCKET>(m_handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
           0;
}

bool CSocket::Bind(const std::string& address, std::uint16_t port) {
    const std::optional<std::uint32_t> ip = ParseIpv4(address);
    if (!IsOpen() || !ip) {
        return false;
    }
    const sockaddr_in local = MakeAddress(*ip, port);
    return bind(static_cast<SOCKET>(m_handle), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool CSocket::SetReuseAddress() {
    // SO_REUSEADDR would let another program take the port on Windows.
    return IsOpen();
}

bool CSocket::Listen(int backlog) {
    return IsOpen() && listen(static_cast<SOCKET>(m_handle), backlog) == 0;
}

CSocket CSocket::Accept(std::string* peerAddress, std::uint16_t* peerPort) {
    if (!IsOpen()) {
        return CSocket();
    }
    sockaddr_in peer{};
    int length = sizeof peer;
    const SOCKET socket = accept(static_cast<SOCKET>(m_handle), reinterpret_cast<sockaddr*>(&peer), &length);
    if (socket == INVALID_SOCKET) {
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
    const sockaddr_in target = MakeAddress(*ip, port);
    return connect(static_cast<SOCKET>(m_handle), reinterpret_cast<const sockaddr*>(&target),
                   sizeof target) == 0;
}

bool CSocket::SetNoDelay(bool on) {
    if (!IsOpen()) {
        return false;
    }
    const int value = on ? 1 : 0;
    return setsockopt(static_cast<SOCKET>(m_handle), IPPROTO_TCP, TCP_NODELAY,
                      reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

std::uint16_t CSocket::LocalPort() const {
    if (!IsOpen()) {
        return 0;
    }
    sockaddr_in local{};
    int length = sizeof local;
    if (getsockname(static_cast<SOCKET>(m_handle), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
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
    const int sent = send(static_cast<SOCKET>(m_handle), reinterpret_cast<const char*>(data),
                          static_cast<int>(std::min(size, kMaxIo)), 0);
    return sent > 0 ? static_cast<std::ptrdiff_t>(sent) : -1;
}

std::ptrdiff_t CSocket::Receive(std::uint8_t* data, std::size_t size) {
    if (!IsOpen() || data == nullptr || size == 0) {
        return -1;
    }
    const int received = recv(static_cast<SOCKET>(m_handle), reinterpret_cast<char*>(data),
                              static_cast<int>(std::min(size, kMaxIo)), 0);
    return received >= 0 ? static_cast<std::ptrdiff_t>(received) : -1;
}

CSocket::WaitResult CSocket::WaitReadable(std::chrono::milliseconds timeout) {
    if (!IsOpen()) {
        return WaitResult::Failed;
    }
    const int result = PollOne(static_cast<SOCKET>(m_handle), POLLIN, timeout);
    if (result > 0) {
        return WaitResult::Readable;  // data, a connection, or an end that Receive will report
    }
    return result == 0 ? WaitResult::TimedOut : WaitResult::Failed;
}

bool CSocket::Shutdown() {
    if (!IsOpen()) {
        return false;
    }
    const bool ended = shutdown(static_cast<SOCKET>(m_handle), SD_BOTH) == 0;
    // Winsock does not always wake a receive blocked in another thread on shutdown; cancelling
    // the socket's pending I/O does.
    // NOLINTNEXTLINE(performance-no-int-to-ptr): a SOCKET is a kernel handle
    (void)CancelIoEx(reinterpret_cast<HANDLE>(m_handle), nullptr);
    return ended;
}

void CSocket::Close() {
    if (IsOpen()) {
        (void)closesocket(static_cast<SOCKET>(m_handle));
        m_handle = kNoSocket;
    }
}

}  // namespace tessaly::platform
