#include "lab/IsoCard.h"

#include <utility>

namespace tessaly::lab {
namespace {

constexpr std::uint8_t kInsGetResponse = 0xC0;
constexpr std::size_t kHeader = 4;
constexpr std::size_t kShortMax = 256;

CByteArray StatusWord(std::uint16_t sw) {
    return {static_cast<std::uint8_t>(sw >> 8), static_cast<std::uint8_t>(sw)};
}

CByteArray WithStatus(CByteArray data, std::uint16_t sw) {
    data.push_back(static_cast<std::uint8_t>(sw >> 8));
    data.push_back(static_cast<std::uint8_t>(sw));
    return data;
}

std::size_t ShortLength(std::uint8_t value) {
    return value == 0 ? kShortMax : value;
}

CommandApdu Header(const CByteArray& command) {
    CommandApdu apdu;
    apdu.cla = command[0];
    apdu.ins = command[1];
    apdu.p1 = command[2];
    apdu.p2 = command[3];
    return apdu;
}

}  // namespace

CIsoCard::CIsoCard(Transport transport, CByteArray atr)
    : CVirtualCard(atr.empty() ? (transport == Transport::T0 ? T0Atr() : T1Atr()) : std::move(atr)),
      m_transport(transport) {}

void CIsoCard::SetFile(std::uint16_t fid, CByteArray content) {
    std::lock_guard lock(Lock());
    m_files.SetFile(fid, std::move(content));
}

std::optional<CByteArray> CIsoCard::File(std::uint16_t fid) const {
    std::lock_guard lock(Lock());
    return m_files.File(fid);
}

void CIsoCard::AddApplication(CByteArray aid, CByteArray fci) {
    std::lock_guard lock(Lock());
    m_files.AddApplication(std::move(aid), std::move(fci));
}

CByteArray CIsoCard::Pending() const {
    std::lock_guard lock(Lock());
    return m_pending;
}

void CIsoCard::OnPower(CardEvent::Kind /*kind*/) {
    m_pending.clear();
    m_files.SelectMasterFile();
}

CardReply CIsoCard::OnCommand(const CByteArray& command) {
    if (command.size() < kHeader) {
        return CardReply{StatusWord(0x6700), {}};
    }
    return CardReply{m_transport == Transport::T0 ? OnTpdu(command) : OnApdu(command), {}};
}

CByteArray CIsoCard::GetResponse(std::size_t le) {
    if (m_pending.empty()) {
        return StatusWord(0x6985);
    }
    if (le > m_pending.size()) {
        return StatusWord(static_cast<std::uint16_t>(0x6C00 | (m_pending.size() & 0xFF)));
    }
    CByteArray data(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(le));
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(le));
    if (m_pending.empty()) {
        return WithStatus(std::move(data), 0x9000);
    }
    return WithStatus(std::move(data), static_cast<std::uint16_t>(0x6100 | (m_pending.size() & 0xFF)));
}

CByteArray CIsoCard::OnTpdu(const CByteArray& command) {
    CommandApdu apdu = Header(command);
    const bool hasP3 = command.size() > kHeader;
    const std::size_t p3 = hasP3 ? command[kHeader] : 0;
    if (command.size() > kHeader + 1 && command.size() != kHeader + 1 + p3) {
        return StatusWord(0x6700);
    }
    if (apdu.ins == kInsGetResponse) {
        return hasP3 ? GetResponse(ShortLength(static_cast<std::uint8_t>(p3))) : StatusWord(0x6700);
    }
    m_pending.clear();
    const bool outgoing = command.size() == kHeader + 1;  // case 2: P3 is Le
    if (outgoing) {
        apdu.le = ShortLength(static_cast<std::uint8_t>(p3));
    } else {
        apdu.data.assign(command.begin() + static_cast<std::ptrdiff_t>(kHeader + (hasP3 ? 1 : 0)),
                         command.end());
        apdu.le = kShortMax;
    }
    const ResponseApdu result = m_files.Execute(apdu);
    if (result.data.empty()) {
        return StatusWord(result.sw);
    }
    if (!outgoing) {
        m_pending = result.data;
        return StatusWord(static_cast<std::uint16_t>(0x6100 | (m_pending.size() & 0xFF)));
    }
    if (result.data.size() != *apdu.le) {
        return StatusWord(static_cast<std::uint16_t>(0x6C00 | (result.data.size() & 0xFF)));
    }
    return WithStatus(result.data, result.sw);
}

CByteArray CIsoCard::OnApdu(const CByteArray& command) {
    CommandApdu apdu = Header(command);
    const std::size_t size = command.size();
    if (size == kHeader + 1) {
        apdu.le = ShortLength(command[kHeader]);
    } else if (size > kHeader + 1) {
        const std::size_t lc = command[kHeader];
        if (lc == 0 || (size != kHeader + 1 + lc && size != kHeader + 2 + lc)) {
            return StatusWord(0x6700);
        }
        apdu.data.assign(command.begin() + kHeader + 1,
                         command.begin() + static_cast<std::ptrdiff_t>(kHeader + 1 + lc));
        if (size == kHeader + 2 + lc) {
            apdu.le = ShortLength(command.back());
        }
    }
    if (apdu.ins == kInsGetResponse) {
        return StatusWord(0x6985);
    }
    ResponseApdu result = m_files.Execute(apdu);
    if (!apdu.le) {
        result.data.clear();
    } else if (result.data.size() > *apdu.le) {
        result.data.resize(*apdu.le);
    }
    return WithStatus(std::move(result.data), result.sw);
}

std::shared_ptr<CIsoCard> MakeContactCard(Transport transport, CByteArray atr) {
    auto card = std::make_shared<CIsoCard>(transport, std::move(atr));
    CByteArray counting(16);
    for (std::size_t i = 0; i < counting.size(); ++i) {
        counting[i] = static_cast<std::uint8_t>(i);
    }
    card->SetFile(0x2F01, counting);
    card->SetFile(0x2F02, CByteArray(64, 0x00));
    // FCI of a payment-style application: 6F, its name, and a label.
    card->AddApplication({0xA0, 0x00, 0x00, 0x00, 0x03, 0x10, 0x10},
                         {0x6F, 0x12, 0x84, 0x07, 0xA0, 0x00, 0x00, 0x00, 0x03, 0x10,
                          0x10, 0xA5, 0x07, 0x50, 0x05, 0x54, 0x45, 0x53, 0x54, 0x31});
    return card;
}

}  // namespace tessaly::lab
