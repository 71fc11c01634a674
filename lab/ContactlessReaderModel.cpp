#include "lab/ContactlessReaderModel.h"

#include <algorithm>

namespace tessaly::lab {
namespace {

constexpr std::uint8_t kClassVendor = 0xFC;
constexpr std::uint8_t kClassAts = 0xFD;
constexpr std::uint8_t kClassControl = 0xFF;

CByteArray Sw(std::uint16_t sw) {
    return {static_cast<std::uint8_t>(sw >> 8), static_cast<std::uint8_t>(sw)};
}

CByteArray Ok(CByteArray data) {
    data.push_back(0x90);
    data.push_back(0x00);
    return data;
}

// The standard MIFARE Classic ATRs of PC/SC part 3 readers (card name 0001 for 1K, 0002 for 4K).
CByteArray MifareHistorical(MifareSize size) {
    return {0x80,
            0x4F,
            0x0C,
            0xA0,
            0x00,
            0x00,
            0x03,
            0x06,
            0x03,
            0x00,
            static_cast<std::uint8_t>(size == MifareSize::Classic1K ? 0x01 : 0x02),
            0x00,
            0x00,
            0x00,
            0x00};
}

CByteArray AtsHistorical(const CByteArray& ats) {
    if (ats.size() < 2) {
        return {};
    }
    const std::uint8_t t0 = ats[1];
    const std::size_t start = 2 + ((t0 & 0x10) != 0) + ((t0 & 0x20) != 0) + ((t0 & 0x40) != 0);
    return start < ats.size() ? CByteArray(ats.begin() + static_cast<std::ptrdiff_t>(start), ats.end())
                              : CByteArray{};
}

}  // namespace

CContactlessReaderModel::CContactlessReaderModel(CByteArray atr, std::shared_ptr<CIsoCard> iso,
                                                 CByteArray ats, std::optional<CMifareClassic> mifare)
    : CVirtualCard(std::move(atr)),
      m_iso(std::move(iso)),
      m_ats(std::move(ats)),
      m_mifare(std::move(mifare)) {}

std::shared_ptr<CContactlessReaderModel> CContactlessReaderModel::WithIsoCard(CByteArray ats) {
    CByteArray atr = ContactlessAtr(AtsHistorical(ats));
    return std::make_shared<CContactlessReaderModel>(std::move(atr), MakeContactCard(Transport::T1),
                                                     std::move(ats), std::nullopt);
}

std::shared_ptr<CContactlessReaderModel> CContactlessReaderModel::WithMifare(
    MifareSize size, std::array<std::uint8_t, 4> uid) {
    return std::make_shared<CContactlessReaderModel>(ContactlessAtr(MifareHistorical(size)), nullptr,
                                                     CByteArray{}, CMifareClassic(size, uid));
}

CByteArray CContactlessReaderModel::ContactlessAtr(const CByteArray& historical) {
    const std::size_t count = std::min<std::size_t>(historical.size(), 15);
    CByteArray atr(4 + count);
    atr[0] = 0x3B;
    atr[1] = static_cast<std::uint8_t>(0x80 | count);
    atr[2] = 0x80;
    atr[3] = 0x01;
    std::copy(historical.begin(), historical.begin() + static_cast<std::ptrdiff_t>(count), atr.begin() + 4);
    std::uint8_t check = 0;
    for (std::size_t i = 1; i < atr.size(); ++i) {
        check ^= atr[i];
    }
    atr.push_back(check);
    return atr;
}

MifareBlock CContactlessReaderModel::StoredBlock(std::size_t block) const {
    std::lock_guard lock(Lock());
    return m_mifare ? m_mifare->Block(block) : MifareBlock{};
}

void CContactlessReaderModel::SetStoredBlock(std::size_t block, const MifareBlock& data) {
    std::lock_guard lock(Lock());
    if (m_mifare) {
        m_mifare->SetBlock(block, data);
    }
}

void CContactlessReaderModel::SetSectorKeys(std::size_t sector, const MifareKey& keyA,
                                            const MifareKey& keyB) {
    std::lock_guard lock(Lock());
    if (m_mifare) {
        m_mifare->SetKeys(sector, keyA, keyB);
    }
}

std::optional<std::pair<std::uint8_t, MifareKey>> CContactlessReaderModel::LoadedKey() const {
    std::lock_guard lock(Lock());
    return m_loadedKey;
}

void CContactlessReaderModel::ForgetLoadedKey() {
    std::lock_guard lock(Lock());
    m_loadedKey.reset();
    m_authenticatedSector.reset();
}

std::vector<std::uint8_t> CContactlessReaderModel::ReaderControlValues() const {
    std::lock_guard lock(Lock());
    return m_controlValues;
}

void CContactlessReaderModel::OnPower(CardEvent::Kind kind) {
    // A new activation of the field ends any authentication.
    m_authenticatedSector.reset();
    if (m_iso) {
        if (kind == CardEvent::Kind::PowerOff) {
            m_iso->PowerOff();
        } else if (kind == CardEvent::Kind::PowerOn) {
            m_iso->PowerOn();
        } else {
            m_iso->Reset();
        }
    }
}

CardReply CContactlessReaderModel::OnCommand(const CByteArray& command) {
    if (command.size() < 5) {
        return CardReply{Sw(0x6700), {}};
    }
    const std::uint8_t cla = command[0];
    const std::uint8_t ins = command[1];
    const std::size_t lc = command[4];
    if (cla == kClassVendor && ins == 0xFE) {
        return Transparent(command);
    }
    if (cla == kClassAts && ins == 0xCC) {
        if (command.size() != 6 || lc != 1 || command[5] != 0x93) {
            return CardReply{Sw(0x6700), {}};
        }
        return CardReply{m_iso ? Ok(m_ats) : Sw(0x6581), {}};
    }
    if (cla == kClassVendor && ins == 0x20) {
        if (command.size() != 11 || lc != 6) {
            return CardReply{Sw(0x6700), {}};
        }
        if (command[2] != CMifareClassic::kKeyA && command[2] != CMifareClassic::kKeyB) {
            return CardReply{Sw(0x6A86), {}};
        }
        MifareKey key{};
        std::copy(command.begin() + 5, command.end(), key.begin());
        m_loadedKey = std::make_pair(command[2], key);
        m_authenticatedSector.reset();
        return CardReply{Sw(0x9000), {}};
    }
    if (cla == kClassVendor && ins == 0xB0) {
        return CardReply{command.size() == 5 ? ReadBlock(command[2]) : Sw(0x6700), {}};
    }
    if (cla == kClassVendor && ins == 0xD0) {
        if (command.size() != 5 + 16 || lc != 16) {
            return CardReply{Sw(0x6700), {}};
        }
        return CardReply{WriteBlock(command[2], CByteArray(command.begin() + 5, command.end())), {}};
    }
    if (cla == kClassControl && ins == 0xD0) {
        m_controlValues.push_back(command[2]);
        return CardReply{Sw(0x9000), {}};
    }
    if (cla == kClassVendor || cla == kClassAts || cla == kClassControl) {
        return CardReply{Sw(0x6D00), {}};
    }
    return CardReply{Sw(0x6E00), {}};
}

CardReply CContactlessReaderModel::Transparent(const CByteArray& command) {
    if (command.size() != 5 + static_cast<std::size_t>(command[4])) {
        return CardReply{Sw(0x6700), {}};
    }
    if (!m_iso) {
        return CardReply{Sw(0x6581), {}};
    }
    return m_iso->Command(CByteArray(command.begin() + 5, command.end()));
}

std::optional<CByteArray> CContactlessReaderModel::OpenSector(std::size_t block) {
    if (!m_mifare || block >= m_mifare->BlockCount()) {
        return Sw(0x6581);
    }
    if (!m_loadedKey) {
        return Sw(0x6591);
    }
    const std::size_t sector = CMifareClassic::SectorOf(block);
    if (m_authenticatedSector != sector) {
        if (!m_mifare->KeyOpens(sector, m_loadedKey->first, m_loadedKey->second)) {
            m_authenticatedSector.reset();
            return Sw(0x6300);
        }
        m_authenticatedSector = sector;
    }
    return std::nullopt;
}

CByteArray CContactlessReaderModel::ReadBlock(std::uint8_t block) {
    if (std::optional<CByteArray> refused = OpenSector(block)) {
        return *refused;
    }
    const MifareBlock data = m_mifare->Read(block);
    return Ok(CByteArray(data.begin(), data.end()));
}

CByteArray CContactlessReaderModel::WriteBlock(std::uint8_t block, const CByteArray& data) {
    if (std::optional<CByteArray> refused = OpenSector(block)) {
        return *refused;
    }
    MifareBlock stored{};
    std::copy(data.begin(), data.end(), stored.begin());
    return m_mifare->Write(block, stored) ? Sw(0x9000) : Sw(0x6581);
}

}  // namespace tessaly::lab
