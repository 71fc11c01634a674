// The contactless reader of a programming station: a PC/SC reader that takes vendor commands
// through the ordinary exchange. Card commands travel inside a transparent exchange; MIFARE Classic
// read, write and authenticate commands are translated into the reader's own block commands.
#pragma once

#include <cstdint>

#include "cardaccess/PcscReader.h"

namespace tessaly {

namespace scm_result {
inline constexpr std::uint32_t kIncompleteResponse = 0xF0000000;
inline constexpr std::uint32_t kBlockBeyondKeys = 0xF0000001;
inline constexpr std::uint32_t kPendingWriteLength = 0xF0000002;
inline constexpr std::uint32_t kInvalidCommand = 0xF0000003;
inline constexpr std::uint32_t kKeysNotSet = 0xF0000004;
// Plus the reader's status word.
inline constexpr std::uint32_t kStatusWordBase = 0xF1000000;
}  // namespace scm_result

class CScmContactlessReader : public CPcscReader {
public:
    static constexpr std::uint8_t kKeyA = 0x60;
    static constexpr std::uint8_t kKeyB = 0x61;
    static constexpr std::size_t kKeyRecord = 12;  // key A then key B, 6 bytes each, per sector
    static constexpr std::uint8_t kMifareAck = 0x0A;
    // The transparent exchange carries its command length in one byte.
    static constexpr std::size_t kLongestTransparent = 255;

    CScmContactlessReader(CString readerName, bool directQuery);
    // Wipes the keys before their memory goes.
    ~CScmContactlessReader() override;

    CString GetErrorText(std::uint32_t code) const override;
    // Also forgets the keys (wiped, not only dropped) and a pending memory write.
    void ResetTransmissionSettings() override;

    // Shorter than 256 bytes, or not an APDU: through the transparent exchange; else plain Transmit.
    virtual std::uint8_t ExchangeContactless(std::uint8_t caseByte, const CByteArray& command,
                                             CByteArray& response);
    // MIFARE Classic native commands: 30 nn read, A0 nn then 16 bytes write.
    virtual std::uint8_t ExecuteMemoryCommand(const CByteArray& command, CByteArray& response);
    // FC FE 00 00 L + command; the card's answer comes back as it is, status word included.
    virtual std::uint8_t TransparentExchange(const CByteArray& command, CByteArray& response);
    virtual std::uint8_t GetMifareResetResponse(CByteArray& response);
    virtual std::uint8_t GetAts(CByteArray& ats);  // NOLINT(bugprone-virtual-near-miss): not GetAtr
    virtual std::uint8_t GetDefaultResetResponse(CByteArray& response);
    virtual std::uint8_t SendReaderControl(std::uint8_t value);

    // The key table: 12 bytes per sector, sector n at 12 x n. The table it replaces is wiped.
    void SetKeys(const CByteArray& keys);
    const CByteArray& GetKeys() const { return m_keys; }
    std::uint8_t Authenticate(std::uint32_t block, std::uint8_t keyType);

    bool IsWritePending() const { return m_writePending; }
    std::uint8_t GetPendingBlock() const { return m_pendingBlock; }

    // The sector that holds a block (MIFARE Classic 4K layout), from the low 8 bits of the number.
    static std::uint32_t SectorOfBlock(std::uint32_t block);

private:
    std::uint8_t SendReaderCommand(const CByteArray& command, CByteArray& answer);
    std::uint8_t CheckReaderStatus(const CByteArray& answer);
    void ClearPendingWrite();
    // Overwrites the keys, then gives their memory back.
    void WipeKeys();

    CByteArray m_keys;
    bool m_writePending = false;
    std::uint8_t m_pendingBlock = 0;
};

}  // namespace tessaly
