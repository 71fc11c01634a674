// The one view of a card reader that the command executors work with. Every operation returns a
// station status code (0 for success) and leaves the unmapped code of the last platform call, or
// the reader's own code, as the last result.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/Types.h"

namespace tessaly {

// The ISO 7816-4 command case that comes with every card command, as an ASCII digit.
namespace apdu_case {
inline constexpr std::uint8_t kCase1 = 0x31;
inline constexpr std::uint8_t kCase2 = 0x32;
inline constexpr std::uint8_t kCase3 = 0x33;
inline constexpr std::uint8_t kCase4 = 0x34;
// Not an APDU: sent as it is.
inline constexpr std::uint8_t kRaw = 0x35;
}  // namespace apdu_case

// A fixed command record: a 256-byte area, its used length and the APDU case byte.
struct CCommandRecord {
    static constexpr std::size_t kCapacity = 256;
    std::array<std::uint8_t, kCapacity> bytes{};
    std::uint32_t length = 0;
    std::uint8_t caseByte = apdu_case::kRaw;
};

class CSmartCardReader {
public:
    explicit CSmartCardReader(CString readerName);
    CSmartCardReader(const CSmartCardReader&) = delete;
    CSmartCardReader& operator=(const CSmartCardReader&) = delete;
    virtual ~CSmartCardReader();

    // Warm reset of the connected card.
    virtual std::uint8_t Reconnect() = 0;
    // Opens the reader and the card.
    virtual std::uint8_t Connect() = 0;
    virtual std::uint8_t Disconnect() = 0;
    // A record whose length exceeds its area is refused with 0x89 before anything is sent.
    virtual std::uint8_t TransmitRecord(const CCommandRecord& record, CByteArray& response);
    virtual std::uint8_t TransmitBytes(std::uint8_t caseByte, const std::uint8_t* bytes, std::size_t length,
                                       CByteArray& response);
    // Exchanges one command with the card; the response gets the card's answer with its status word.
    virtual std::uint8_t Transmit(std::uint8_t caseByte, const CByteArray& command, CByteArray& response) = 0;
    virtual std::uint8_t GetAtr(CByteArray& atr) = 0;
    virtual bool IsConnected() const = 0;

    std::uint32_t GetLastResult() const { return m_lastResult; }
    const CString& GetReaderName() const { return m_readerName; }

protected:
    // Keeps `code` as the last result and returns its station code.
    std::uint8_t Fail(std::uint32_t code);
    // The last result becomes 0; returns 0.
    std::uint8_t Succeed();
    void SetLastResult(std::uint32_t code) { m_lastResult = code; }

private:
    std::uint32_t m_lastResult = 0;
    const CString m_readerName;
};

}  // namespace tessaly
