#include "driver/JobReaders.h"

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "driver/QuorlinLog.h"

namespace tessaly {

CJobReaders::CJobReaders(const DriverSettings& settings)
    : m_contactName(settings.ReaderId()),
      m_contactlessName(settings.PiccReaderId()),
      m_keyStationName(settings.ExtReaderId()) {}

CPcscReader& CJobReaders::Contact() {
    if (!m_contact) {
        m_contact = std::make_unique<CPcscReader>(m_contactName, false);
    }
    return *m_contact;
}

CScmContactlessReader& CJobReaders::Contactless() {
    if (!m_contactless) {
        m_contactless = std::make_unique<CScmContactlessReader>(m_contactlessName, false);
    }
    return *m_contactless;
}

bool CJobReaders::CardSeen(CPcscReader* reader, const CString& name, const char* noReaderLine,
                           const char* stateLine) {
    if (reader == nullptr) {
        LogInfo(__LINE__, noReaderLine);
        return false;
    }
    const std::uint8_t state = reader->GetCardState();
    const bool present = state != card_state::kAbsent && state != card_state::kUnknown;
    LogInfo(__LINE__, FormatText(stateLine, name.c_str(), present ? "" : "not "));
    return present;
}

bool CJobReaders::Prepare() {
    // Both monitors start before the first query waits for a report.
    CPcscReader* contact = m_contactName.empty() ? nullptr : &Contact();
    CPcscReader* contactless = m_contactlessName.empty() ? nullptr : &Contactless();
    const bool contactCard = CardSeen(contact, m_contactName, "No contact reader is configured.",
                                      "Contact reader name = %s; card is %spresent");
    const bool contactlessCard =
        CardSeen(contactless, m_contactlessName, "No contactless reader is configured.",
                 "Contactless reader name = %s; card is %spresent");
    // Contact first; with no card anywhere, the contact reader unless there is none.
    const bool chooseContactless = !contactCard && (contactlessCard || m_contactName.empty());
    LogInfo(__LINE__,
            chooseContactless ? "Selecting contactless reader for job" : "Selecting contact reader for job");
    Choose(chooseContactless);
    if (!ConnectSelected()) {
        if (m_readerKind != reader_kind::kContact || !contactlessCard) {
            return false;
        }
        LogInfo(__LINE__, "Contact reader failed: selecting contactless reader for job");
        Choose(true);
        if (!ConnectSelected()) {
            return false;
        }
    }
    if (m_readerKind == reader_kind::kContact) {
        Contact().GetAtr(m_atr);
        m_atrPresent = true;
        LogInfo(__LINE__, FormatText("Connected to smart card reader [%s], ATR = [%s]", m_contactName.c_str(),
                                     HexString(m_atr).c_str()));
    } else {
        LogInfo(__LINE__,
                FormatText("Connected to contactless smart card reader [%s]", m_contactlessName.c_str()));
    }
    return ConnectKeyStation();
}

void CJobReaders::Choose(bool contactless) {
    if (contactless) {
        m_selected = &Contactless();
        m_selectedName = &m_contactlessName;
        m_readerKind = reader_kind::kContactless;
        m_cardType = card_type::kIso14443A;
    } else {
        m_selected = &Contact();
        m_selectedName = &m_contactName;
        m_readerKind = reader_kind::kContact;
        m_cardType = card_type::kContact;
    }
}

bool CJobReaders::ConnectSelected() {
    if (m_selected->Connect() == 0) {
        return true;
    }
    LogError(__LINE__,
             FormatText("Unable to connect to smart card reader [%s], Reader returned error 0x%lx - %s",
                        m_selectedName->c_str(), static_cast<unsigned long>(m_selected->GetLastResult()),
                        m_selected->GetLastErrorText().c_str()));
    return false;
}

bool CJobReaders::ConnectKeyStation() {
    if (m_keyStationName.empty()) {
        return true;
    }
    m_keyStation = std::make_unique<CPcscReader>(m_keyStationName, false);
    if (m_keyStation->Connect() == 0) {
        return true;
    }
    LogError(__LINE__,
             FormatText("Unable to connect to dedicated keystation smart card reader [%s], Reader returned "
                        "error 0x%lx - %s",
                        m_keyStationName.c_str(), static_cast<unsigned long>(m_keyStation->GetLastResult()),
                        m_keyStation->GetLastErrorText().c_str()));
    return false;
}

CPcscReader* CJobReaders::SelectDestinationReader(std::uint32_t destinationCode) {
    CPcscReader* reader = nullptr;
    const CString* name = nullptr;
    if (destinationCode == destination::kKeyStation) {
        reader = m_keyStation.get();
        name = &m_keyStationName;
    } else if ((destinationCode == destination::kContact && m_readerKind == reader_kind::kContact) ||
               (destinationCode == destination::kContactless && m_readerKind == reader_kind::kContactless)) {
        reader = m_selected;
        name = m_selectedName;
    } else {
        LogError(__LINE__, FormatText("Invalid destination 0x%x", static_cast<unsigned>(destinationCode)));
        return nullptr;
    }
    // A reader without a configured name is no reader.
    return name->empty() ? nullptr : reader;
}

}  // namespace tessaly
