// A contact card speaking T=0 or T=1 over the small ISO 7816-4 file system.
//
// T=0: the card sees TPDUs. Answer data of a command that brought data (case 3 or 4) waits for
// GET RESPONSE behind 61 xx; a case 2 command whose P3 differs from the length the card has gets
// 6C xx and is not executed; GET RESPONSE with a wrong length gets 6C xx too, with a shorter one
// the rest stays behind 61 xx. GET RESPONSE with nothing pending answers 69 85.
// T=1: the card sees APDUs and answers data (at most Le) and status word at once.
#pragma once

#include <memory>

#include "lab/IsoFileSystem.h"
#include "lab/VirtualCard.h"

namespace tessaly::lab {

enum class Transport { T0, T1 };

class CIsoCard : public CVirtualCard {
  public:
    static CByteArray T0Atr() { return {0x3B, 0x02, 0x14, 0x50}; }
    static CByteArray T1Atr() { return {0x3B, 0x80, 0x80, 0x01, 0x01}; }

    // An empty `atr` takes the transport's default.
    explicit CIsoCard(Transport transport, CByteArray atr = {});

    Transport GetTransport() const { return m_transport; }

    void SetFile(std::uint16_t fid, CByteArray content);
    std::optional<CByteArray> File(std::uint16_t fid) const;
    void AddApplication(CByteArray aid, CByteArray fci);
    // Bytes waiting for GET RESPONSE (T=0).
    CByteArray Pending() const;

  protected:
    void OnPower(CardEvent::Kind kind) override;
    CardReply OnCommand(const CByteArray& command) override;

  private:
    CByteArray OnTpdu(const CByteArray& command);
    CByteArray OnApdu(const CByteArray& command);
    CByteArray GetResponse(std::size_t le);

    const Transport m_transport;
    CIsoFileSystem m_files;
    CByteArray m_pending;
};

// A card as the lab's card profiles make it, with a few files and an application to select.
std::shared_ptr<CIsoCard> MakeContactCard(Transport transport, CByteArray atr = {});

}  // namespace tessaly::lab
