#include "cardaccess/PcscHandles.h"

#include <utility>

namespace tessaly {

using namespace platform;

CPcscContext::CPcscContext(CPcscContext&& other) noexcept : m_handle(std::exchange(other.m_handle, 0)) {}

CPcscContext& CPcscContext::operator=(CPcscContext&& other) noexcept {
    if (this != &other) {
        Release();
        m_handle = std::exchange(other.m_handle, 0);
    }
    return *this;
}

CPcscContext::~CPcscContext() {
    Release();
}

PcscResult CPcscContext::Establish() {
    Release();
    return PcscEstablishContext(m_handle);
}

void CPcscContext::Release() {
    if (m_handle != 0) {
        PcscReleaseContext(std::exchange(m_handle, 0));
    }
}

CPcscCard::CPcscCard(CPcscCard&& other) noexcept : m_handle(std::exchange(other.m_handle, 0)) {}

CPcscCard& CPcscCard::operator=(CPcscCard&& other) noexcept {
    if (this != &other) {
        Disconnect();
        m_handle = std::exchange(other.m_handle, 0);
    }
    return *this;
}

CPcscCard::~CPcscCard() {
    Disconnect();
}

PcscResult CPcscCard::Connect(const CPcscContext& context, const std::string& reader) {
    Disconnect();
    m_protocol = 0;
    const PcscResult result = PcscConnect(context.Get(), reader, m_handle, m_protocol);
    if (result != pcsc::kSuccess) {
        m_protocol = 0;
    }
    return result;
}

PcscResult CPcscCard::Reconnect() {
    std::uint32_t protocol = 0;
    const PcscResult result = PcscReconnect(m_handle, protocol);
    if (result == pcsc::kSuccess) {
        m_protocol = protocol;
    }
    return result;
}

void CPcscCard::Disconnect() {
    if (m_handle != 0) {
        PcscDisconnect(std::exchange(m_handle, 0), pcsc::Disposition::Reset);
        m_protocol = 0;
    }
}

CPcscTransaction::CPcscTransaction(PcscHandle card) : m_card(card), m_result(PcscBeginTransaction(card)) {}

CPcscTransaction::~CPcscTransaction() {
    if (IsBegun()) {
        PcscEndTransaction(m_card, pcsc::Disposition::Leave);
    }
}

}  // namespace tessaly
