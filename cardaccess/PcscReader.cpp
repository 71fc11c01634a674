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
        m_monitor = std::make_unique<CPresenceMonitor>(
            GetReaderName(), [this](CPresenceMonitor::Presence presence) { OnPresence(presence); });
    }
}

CPcscReader::~CPcscReader() {
    // The monitor is joined before anything it reports into goes away; the card connection and
    // the context close after it as members.
    m_monitor.reset();
}

std::uint8_t CPcscReader::Connect() {
    // A connection left from before is closed first (resetting the card), so no handle leaks.
    m_card.Disconnect();
    PcscResult rv = m_context.Establish();
    if (rv != pcsc::kSuccess) {
        return Fail(rv);
    }
    rv = m_card.Connect(m_context, GetReaderName());
    if (rv != pcsc::kSuccess) {
        return Fail(rv);
    }
    m_cardState.store(card_state::kConnected);
    return Succeed();
}

std::uint8_t CPcscReader::Reconnect() {
    const PcscResult rv = m_card.Reconnect();
    if (rv != pcsc::kSuccess) {
        return Fail(rv);
    }
    m_cardState.store(card_state::kConnected);
    return Succeed();
}

std::uint8_t CPcscReader::Disconnect() {
    m_card.Disconnect();
    m_context.Release();
    m_cardState.store(card_state::kDisconnected);
    return Succeed();
}

std::uint8_t CPcscReader::GetAtr(CByteArray& atr) {
    PcscCardStatus status;
    const PcscResult rv = PcscStatus(m_card.Get(), kStatusBuffer, kStatusBuffer, status);
    if (rv != pcsc::kSuccess) {
        atr.clear();
        return Fail(rv);
    }
    atr = std::move(status.atr);
    return Succeed();
}

bool CPcscReader::IsConnected() const {
    return m_card.IsConnected();
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
    // The reader's own context when it has one, else one for this query alone.
    CPcscContext temporary;
    PcscHandle context = m_context.Get();
    if (context == 0) {
        if (temporary.Establish() != pcsc::kSuccess) {
            m_cardState.store(card_state::kUnknown);
            return card_state::kUnknown;
        }
        context = temporary.Get();
    }
    std::uint32_t event = 0;
    const PcscResult rv = PcscGetStatusChange(context, 0, GetReaderName(), pcsc::kStateUnaware, event);
    if (rv != pcsc::kSuccess || (event & pcsc::kStateUnknown) != 0) {
        m_cardState.store(card_state::kUnknown);
    } else if ((event & pcsc::kStatePresent) != 0) {
        const std::uint8_t state = m_cardState.load();
        if (state != card_state::kConnected && state != card_state::kDisconnected) {
            m_cardState.store(card_state::kPresent);
        }
    } else {
        m_cardState.store(card_state::kAbsent);
    }
    return m_cardState.load();
}

void CPcscReader::OnPresence(CPresenceMonitor::Presence presence) {
    if (presence == CPresenceMonitor::Presence::Unknown) {
        m_cardState.store(card_state::kUnknown);
        return;
    }
    if (presence == CPresenceMonitor::Presence::Absent) {
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
