#include "lab/VpcdLink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "lab/LabError.h"

namespace tessaly::lab {
namespace {

constexpr std::uint8_t kPowerOff = 0x00;
constexpr std::uint8_t kPowerOn = 0x01;
constexpr std::uint8_t kReset = 0x02;
constexpr std::uint8_t kAtrRequest = 0x04;

int ConnectLoopback(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    // vpcd sends length and data separately: without these every command waits for a delayed ACK.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

}  // namespace

CVpcdLink::CVpcdLink(std::uint16_t port, std::shared_ptr<CVirtualCard> card,
                     std::chrono::milliseconds connectLimit, Trace trace)
    : m_card(std::move(card)), m_trace(std::move(trace)) {
    const auto deadline = std::chrono::steady_clock::now() + connectLimit;
    while ((m_socket = ConnectLoopback(port)) < 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            throw CLabError("no virtual reader listens on port " + std::to_string(port) + ": " +
                            std::strerror(errno));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_thread = std::thread([this] { Serve(); });
}

CVpcdLink::~CVpcdLink() {
    {
        std::lock_guard lock(m_pauseMutex);
        m_stop.store(true);
        m_pauseEnd.notify_all();
    }
    ::shutdown(m_socket, SHUT_RDWR);
    if (m_thread.joinable()) {
        m_thread.join();
    }
    ::close(m_socket);
}

bool CVpcdLink::Receive(std::uint8_t* target, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const int on = 1;
        ::setsockopt(m_socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
        const ssize_t got = ::recv(m_socket, target + done, count - done, 0);
        if (got > 0) {
            done += static_cast<std::size_t>(got);
        } else if (got == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

bool CVpcdLink::Send(const CByteArray& payload) {
    // One send for length and data: the answer leaves in one segment.
    CByteArray message{static_cast<std::uint8_t>(payload.size() >> 8),
                       static_cast<std::uint8_t>(payload.size())};
    message.insert(message.end(), payload.begin(), payload.end());
    std::size_t done = 0;
    while (done < message.size()) {
        const ssize_t sent = ::send(m_socket, message.data() + done, message.size() - done, MSG_NOSIGNAL);
        if (sent > 0) {
            done += static_cast<std::size_t>(sent);
        } else if (sent == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

void CVpcdLink::Pause(std::chrono::milliseconds delay) {
    std::unique_lock lock(m_pauseMutex);
    m_pauseEnd.wait_for(lock, delay, [this] { return m_stop.load(); });
}

CByteArray CVpcdLink::Answer(const CByteArray& message) {
    if (message.size() == 1) {
        switch (message[0]) {
            case kPowerOff:
                m_card->PowerOff();
                return {};
            case kPowerOn:
                m_card->PowerOn();
                return {};
            case kReset:
                m_card->Reset();
                return {};
            default:
                return {};
        }
    }
    const CardReply reply = m_card->Command(message);
    if (reply.delay.count() > 0) {
        Pause(reply.delay);
    }
    return reply.bytes;
}

void CVpcdLink::Serve() {
    CByteArray message;
    while (!m_stop.load()) {
        std::uint8_t length[2];
        if (!Receive(length, sizeof length)) {
            break;
        }
        message.resize(static_cast<std::size_t>((length[0] << 8) | length[1]));
        if (!Receive(message.data(), message.size())) {
            break;
        }
        if (message.empty()) {
            continue;
        }
        // Power changes get no answer; an ATR request and a command always get one.
        const bool atrRequest = message.size() == 1 && message[0] == kAtrRequest;
        const CByteArray answer = atrRequest ? m_card->Atr() : Answer(message);
        if (m_trace) {
            m_trace(message, answer);
        }
        if ((atrRequest || message.size() > 1) && (m_stop.load() || !Send(answer))) {
            break;
        }
    }
    m_serving.store(false);
}

}  // namespace tessaly::lab
