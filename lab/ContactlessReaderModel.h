// What a virtual reader slot shows when it is the contactless reader with a card in its field:
// PC/SC sees a T=1 card whose ATR is built from the card (PC/SC part 3 style), and the reader
// answers its vendor commands:
//   FC FE 00 00 L cmd    transparent exchange with an ISO 14443-4 card (its answer as it is)
//   FD CC 00 00 01 93    the card's ATS and 90 00
//   FC 20 kt 00 06 key   loads key A (kt 60) or key B (kt 61) for MIFARE block access
//   FC B0 nn 00 00       reads MIFARE block nn: 16 bytes and 90 00
//   FC D0 nn 00 10 data  writes MIFARE block nn
//   FF D0 vv 00 00       reader control value vv (kept; 90 00)
// A block access authenticates the block's sector with the loaded key unless that sector is the
// one already authenticated; a key that does not open it answers 63 00 and ends the
// authentication. No loaded key: 65 91. A block beyond the card, block 0 written, or a MIFARE
// command without a MIFARE card (or an ISO command without an ISO card): 65 81. Wrong lengths:
// 67 00; unknown instruction of class FC, FD or FF: 6D 00; any other class: 6E 00.
#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "lab/IsoCard.h"
#include "lab/MifareClassic.h"
#include "lab/VirtualCard.h"

namespace tessaly::lab {

class CContactlessReaderModel : public CVirtualCard {
  public:
    // TL 0A, T0 78, TA 80, TB 70, TC 02, historical bytes "LAB10".
    static CByteArray DefaultAts() { return {0x0A, 0x78, 0x80, 0x70, 0x02, 0x4C, 0x41, 0x42, 0x31, 0x30}; }

    // An ISO 14443-4 card with `ats` (TL first, no CRC) that answers APDUs as a T=1 card does.
    static std::shared_ptr<CContactlessReaderModel> WithIsoCard(CByteArray ats = DefaultAts());
    static std::shared_ptr<CContactlessReaderModel> WithMifare(MifareSize size,
                                                               std::array<std::uint8_t, 4> uid = {
                                                                   0x04, 0x1A, 0x2B, 0x3C});

    // The PC/SC part 3 ATR: 3B 8n 80 01, the historical bytes, TCK.
    static CByteArray ContactlessAtr(const CByteArray& historical);

    // The card behind the transparent exchange (its own record and programming); null for MIFARE.
    std::shared_ptr<CIsoCard> IsoCard() const { return m_iso; }
    CByteArray Ats() const { return m_ats; }
    bool HasMifare() const { return m_mifare.has_value(); }

    // MIFARE memory, for tests to prepare and check.
    MifareBlock StoredBlock(std::size_t block) const;
    void SetStoredBlock(std::size_t block, const MifareBlock& data);
    void SetSectorKeys(std::size_t sector, const MifareKey& keyA, const MifareKey& keyB);
    // The key FC 20 loaded last: key type and key.
    std::optional<std::pair<std::uint8_t, MifareKey>> LoadedKey() const;
    // Forgets the loaded key and the authentication, as a reader just switched on.
    void ForgetLoadedKey();
    std::vector<std::uint8_t> ReaderControlValues() const;

    CContactlessReaderModel(CByteArray atr, std::shared_ptr<CIsoCard> iso, CByteArray ats,
                            std::optional<CMifareClassic> mifare);

  protected:
    void OnPower(CardEvent::Kind kind) override;
    CardReply OnCommand(const CByteArray& command) override;

  private:
    CardReply Transparent(const CByteArray& command);
    CByteArray ReadBlock(std::uint8_t block);
    CByteArray WriteBlock(std::uint8_t block, const CByteArray& data);
    std::optional<CByteArray> OpenSector(std::size_t block);

    const std::shared_ptr<CIsoCard> m_iso;
    const CByteArray m_ats;
    std::optional<CMifareClassic> m_mifare;
    std::optional<std::pair<std::uint8_t, MifareKey>> m_loadedKey;
    std::optional<std::size_t> m_authenticatedSector;
    std::vector<std::uint8_t> m_controlValues;
};

}  // namespace tessaly::lab
