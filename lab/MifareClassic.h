// The memory of a MIFARE Classic 1K or 4K card: 16-byte blocks in sectors, each sector closed by a
// trailer that holds key A, the access bits and key B. Every key opens its whole sector for
// reading and writing; access bits are kept but not enforced. Block 0 (manufacturer data) cannot
// be written. Not thread-safe: the reader model that holds it locks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/Types.h"

namespace tessaly::lab {

enum class MifareSize { Classic1K, Classic4K };

using MifareKey = std::array<std::uint8_t, 6>;
using MifareBlock = std::array<std::uint8_t, 16>;

class CMifareClassic {
  public:
    static constexpr MifareKey kTransportKey{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    static constexpr std::uint8_t kKeyA = 0x60;
    static constexpr std::uint8_t kKeyB = 0x61;

    // Blank memory, every sector with the transport keys; block 0 holds `uid`.
    CMifareClassic(MifareSize size, std::array<std::uint8_t, 4> uid);

    MifareSize Size() const { return m_size; }
    std::size_t BlockCount() const { return m_blocks.size(); }
    std::size_t SectorCount() const;
    // Sectors 0 to 31 have 4 blocks, sectors 32 to 39 (4K only) 16.
    static std::size_t SectorOf(std::size_t block);
    std::size_t TrailerOf(std::size_t sector) const;
    bool IsTrailer(std::size_t block) const;

    void SetKeys(std::size_t sector, const MifareKey& keyA, const MifareKey& keyB);
    bool KeyOpens(std::size_t sector, std::uint8_t keyType, const MifareKey& key) const;

    // The block as the card stores it (a trailer with its keys).
    const MifareBlock& Block(std::size_t block) const { return m_blocks.at(block); }
    void SetBlock(std::size_t block, const MifareBlock& data) { m_blocks.at(block) = data; }
    // The block as a read shows it: a trailer's key A reads as zeros.
    MifareBlock Read(std::size_t block) const;
    // False for block 0.
    bool Write(std::size_t block, const MifareBlock& data);

  private:
    MifareSize m_size;
    std::vector<MifareBlock> m_blocks;
};

}  // namespace tessaly::lab
