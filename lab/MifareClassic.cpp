#include "lab/MifareClassic.h"

#include <algorithm>

namespace tessaly::lab {
namespace {

constexpr std::size_t kSmallSectors = 32;
constexpr std::size_t kSmallSectorBlocks = 4;
constexpr std::size_t kLargeSectorBlocks = 16;
constexpr std::size_t kFirstLargeBlock = kSmallSectors * kSmallSectorBlocks;  // 128
constexpr std::array<std::uint8_t, 4> kTransportAccess{0xFF, 0x07, 0x80, 0x69};

}  // namespace

CMifareClassic::CMifareClassic(MifareSize size, std::array<std::uint8_t, 4> uid)
    : m_size(size), m_blocks(size == MifareSize::Classic1K ? 64 : 256) {
    MifareBlock& manufacturer = m_blocks[0];
    std::copy(uid.begin(), uid.end(), manufacturer.begin());
    manufacturer[4] = static_cast<std::uint8_t>(uid[0] ^ uid[1] ^ uid[2] ^ uid[3]);
    manufacturer[5] = 0x08;
    manufacturer[6] = 0x04;
    for (std::size_t sector = 0; sector < SectorCount(); ++sector) {
        SetKeys(sector, kTransportKey, kTransportKey);
    }
}

std::size_t CMifareClassic::SectorCount() const {
    return m_size == MifareSize::Classic1K ? 16 : 40;
}

std::size_t CMifareClassic::SectorOf(std::size_t block) {
    if (block < kFirstLargeBlock) {
        return block / kSmallSectorBlocks;
    }
    return kSmallSectors + (block - kFirstLargeBlock) / kLargeSectorBlocks;
}

std::size_t CMifareClassic::TrailerOf(std::size_t sector) const {
    if (sector < kSmallSectors) {
        return sector * kSmallSectorBlocks + kSmallSectorBlocks - 1;
    }
    return kFirstLargeBlock + (sector - kSmallSectors) * kLargeSectorBlocks + kLargeSectorBlocks - 1;
}

bool CMifareClassic::IsTrailer(std::size_t block) const {
    return block == TrailerOf(SectorOf(block));
}

void CMifareClassic::SetKeys(std::size_t sector, const MifareKey& keyA, const MifareKey& keyB) {
    MifareBlock& trailer = m_blocks.at(TrailerOf(sector));
    std::copy(keyA.begin(), keyA.end(), trailer.begin());
    std::copy(kTransportAccess.begin(), kTransportAccess.end(), trailer.begin() + 6);
    std::copy(keyB.begin(), keyB.end(), trailer.begin() + 10);
}

bool CMifareClassic::KeyOpens(std::size_t sector, std::uint8_t keyType, const MifareKey& key) const {
    if (sector >= SectorCount() || (keyType != kKeyA && keyType != kKeyB)) {
        return false;
    }
    const MifareBlock& trailer = m_blocks[TrailerOf(sector)];
    const auto start = trailer.begin() + (keyType == kKeyA ? 0 : 10);
    return std::equal(key.begin(), key.end(), start);
}

MifareBlock CMifareClassic::Read(std::size_t block) const {
    MifareBlock data = m_blocks.at(block);
    if (IsTrailer(block)) {
        std::fill(data.begin(), data.begin() + 6, 0x00);
    }
    return data;
}

bool CMifareClassic::Write(std::size_t block, const MifareBlock& data) {
    if (block == 0 || block >= m_blocks.size()) {
        return false;
    }
    m_blocks[block] = data;
    return true;
}

}  // namespace tessaly::lab
