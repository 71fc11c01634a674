// The readers of one card job: the contact and contactless readers (both watched by presence
// monitors), the one chosen for the card, the optional key-station reader, the reader kind, the
// card type and the ATR. Made anew for every ProcessCard call; destroying it disconnects every
// reader and stops its monitor (key station, contactless, contact). A reader object is made when it
// is first needed: a reader that is not configured and not chosen costs no monitor thread.
#pragma once

#include <cstdint>
#include <memory>

#include "cardaccess/PcscReader.h"
#include "cardaccess/ScmContactlessReader.h"
#include "common/Types.h"
#include "driver/settings/DriverSettings.h"

namespace tessaly {

namespace reader_kind {
inline constexpr std::uint8_t kContact = 2;
inline constexpr std::uint8_t kContactless = 4;
}  // namespace reader_kind

namespace card_type {
inline constexpr std::uint32_t kContact = 0x02;       // ISO 7816-3, T=0/T=1
inline constexpr std::uint32_t kMifare = 0x18;        // MIFARE
inline constexpr std::uint32_t kIso14443A = 0x28;     // ISO 14443-3/4 Type A
inline constexpr std::uint32_t kIso14443B = 0x29;     // ISO 14443-3/4 Type B
inline constexpr std::uint32_t kIso14443Both = 0x59;  // Type A or B: an ATS to read
}  // namespace card_type

// The destination codes that name a reader.
namespace destination {
inline constexpr std::uint32_t kContact = 0x58;      // "KBX"
inline constexpr std::uint32_t kContactless = 0x43;  // "PICC"
inline constexpr std::uint32_t kKeyStation = 0x57;   // "EX_KBX"
}  // namespace destination

class CJobReaders {
public:
    explicit CJobReaders(const DriverSettings& settings);
    CJobReaders(const CJobReaders&) = delete;
    CJobReaders& operator=(const CJobReaders&) = delete;

    // Looks for the card, chooses and connects its reader (with the one fallback to the
    // contactless reader) and connects the key-station reader. False, with the reason in the log,
    // when a reader that is needed cannot be connected.
    bool Prepare();

    // The reader a destination names for this job, or null (an invalid destination is logged).
    CPcscReader* SelectDestinationReader(std::uint32_t destinationCode);

    CPcscReader& Selected() { return *m_selected; }
    CScmContactlessReader& Contactless();
    std::uint8_t ReaderKind() const { return m_readerKind; }
    std::uint32_t CardType() const { return m_cardType; }
    void SetCardType(std::uint32_t type) { m_cardType = type; }
    const CByteArray& Atr() const { return m_atr; }
    bool AtrPresent() const { return m_atrPresent; }

private:
    CPcscReader& Contact();
    // Present unless the reader says absent or unknown; an unconfigured reader has no card.
    static bool CardSeen(CPcscReader* reader, const CString& name, const char* noReaderLine,
                         const char* stateLine);
    void Choose(bool contactless);
    // Connects the chosen reader; logs a failure.
    bool ConnectSelected();
    bool ConnectKeyStation();

    const CString m_contactName;
    const CString m_contactlessName;
    const CString m_keyStationName;
    // Declared in the order of making; destroyed key station first.
    std::unique_ptr<CPcscReader> m_contact;
    std::unique_ptr<CScmContactlessReader> m_contactless;
    std::unique_ptr<CPcscReader> m_keyStation;
    CPcscReader* m_selected = nullptr;
    const CString* m_selectedName = nullptr;
    std::uint8_t m_readerKind = reader_kind::kContact;
    std::uint32_t m_cardType = card_type::kContact;
    CByteArray m_atr;
    bool m_atrPresent = false;
};

}  // namespace tessaly
