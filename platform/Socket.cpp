#include "platform/Socket.h"

#include <utility>

namespace tessaly::platform {

CSocket::~CSocket() {
    Close();
}

CSocket::CSocket(CSocket&& other) noexcept : m_handle(std::exchange(other.m_handle, kNoSocket)) {}

CSocket& CSocket::operator=(CSocket&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, kNoSocket);
    }
    return *this;
}

bool CSocket::SendAll(const std::uint8_t* data, std::size_t size) {
    std::size_t offset = 0;
    while (offset < size) {
        const std::ptrdiff_t sent = Send(data + offset, size - offset);
        if (sent <= 0) {
            return false;
        }
        offset += static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace tessaly::platform
