#include "cardaccess/PcscReader.h"

#include <chrono>
#include <utility>

#include "cardaccess/ReaderErrors.h"

namespace tessaly {

using namespace platform;

CPcscReader::CPcscReader(CString readerName, bool directQuery)
    : CSmartCardReader(std::move(readerName)), m_directQuery(directQuery) {
    CPcscReader::ResetTransmissionSettings();
    if (!m_directQuery) {
        m_monitor = std::make_unique<CPresenceMonitor>(GetReaderName(),
                                                       [this](bool present) { OnPresence(present); });
    }
}

CPcscReader::~CPcscReader() {
    // The monitor is joined before anything it reports into goes away.
    m_monitor.reset();
    ReleaseConnection();
}

std::uint8_t CPcscReader::Connect() {
    // A connection left from before is closed first, as Disconnect would, so no handle leaks.
    if (m_card != 0 || m_context != 0) {
        Disconnect();
    }
    PcscResult rv = PcscEstablishContext(m_context);
    if (rv != pcsc::kSuccess) {
        return Fail(rv);
    }
    std::uint32_t protocol = 0;
    rv = PcscConnect(m_context, GetReaderName(), m_card, protocol);
    if (rv != pcsc::kSuccess) {
        return Fail(rv);
    }
    m_cardState.store(card_state::kConnected);
    return Succeed();
}

std::uint8_t CPcscReader::Reconnect() {
    std::uint32_t protocol = 0;
    const PcscResult rv = PcscReconnect(m_card, protocol);
    if (rv != pcsc::kSuccess) {
        return Fail(rv);
    }
    m_cardState.store(card_state::kConnected);
    return Succeed();
}

std::uint8_t CPcscReader::Disconnect() {
    ReleaseConnection();
    m_cardState.store(card_state::kDisconnected);
    return Succeed();
}

void CPcscReader::ReleaseConnection() {
    if (m_card != 0) {
        PcscDisconnect(m_card, pcsc::Disposition::Reset);
        m_card = 0;
    }
    if (m_context != 0) {
        PcscReleaseContext(m_context);
        m_context = 0;
    }
}

std::uint8_t CPcscReader::GetAtr(CByteArray& atr) {
    PcscCardStatus status;
    const PcscResult rv = PcscStatus(m_card, kStatusBuffer, kStatusBuffer, status);
    if (rv != pcsc::kSuccess) {
        atr.clear();
        return Fail(rv);
    }
    atr = std::move(status.atr);
    return Succeed();
}

bool CPcscReader::IsConnected() const {
    return m_card != 0;
}

CString CPcscReader::GetErrorText(std::uint32_t code) const {
    return ReaderErrorText(code);
}

void CPcscReader::ResetTransmissionSettings() {
    m_getResponseClass = 0x00;
    m_apduLevel = true;
}

std::uint8_t CPcscReader::GetCardState() {
    if (m_directQuery) {
        return QueryPresence();
    }
    if (!m_firstQueryDone && m_cardState.load() == card_state::kUnknown && m_monitor) {
        m_monitor->WaitForFirstReport(std::chrono::milliseconds(kFirstQueryWaitMs));
    }
    m_firstQueryDone = true;
    return m_cardState.load();
}

std::uint8_t CPcscReader::QueryPresence() {
    PcscHandle context = m_context;
    const bool temporary = context == 0;
    if (temporary && PcscEstablishContext(context) != pcsc::kSuccess) {
        m_cardState.store(card_state::kUnknown);
        return card_state::kUnknown;
    }
    std::uint32_t event = 0;
    const PcscResult rv = PcscGetStatusChange(context, 0, GetReaderName(), pcsc::kStateUnaware, event);
    if (rv != pcsc::kSuccess) {
        m_cardState.store(card_state::kUnknown);
    } else if ((event & pcsc::kStatePresent) != 0) {
        const std::uint8_t state = m_cardState.load();
        if (state != card_state::kConnected && state != card_state::kDisconnected) {
            m_cardState.store(card_state::kPresent);
        }
    } else {
        m_cardState.store(card_state::kAbsent);
    }
    if (temporary) {
        PcscReleaseContext(context);
    }
    return m_cardState.load();
}

void CPcscReader::OnPresence(bool present) {
    if (!present) {
        m_cardState.store(card_state::kAbsent);
        return;
    }
    // A connected reader already holds the card: a late "present" report must not hide that.
    std::uint8_t state = m_cardState.load();
    while (state != card_state::kConnected &&
           !m_cardState.compare_exchange_weak(state, card_state::kPresent)) {
    }
}

}  // namespace tessaly
