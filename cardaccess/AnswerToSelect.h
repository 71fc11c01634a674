// The answer to select (ATS) of an ISO 14443-4 card: its interface bytes and frame waiting time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/Types.h"

namespace tessaly {

class CAnswerToSelect {
public:
    // Why an ATS was rejected. Thrown by value, caught by reference; copying never throws.
    class CInvalidAts {
    public:
        explicit CInvalidAts(CString message);
        CInvalidAts(const CInvalidAts&) noexcept = default;
        CInvalidAts& operator=(const CInvalidAts&) noexcept = default;
        virtual ~CInvalidAts();
        virtual CString GetMessage() const;

    private:
        std::shared_ptr<const CString> m_message;
    };

    static constexpr int kAbsent = -1;

    // `withCrc`: the ATS handed to Parse ends with its two CRC bytes.
    explicit CAnswerToSelect(bool withCrc);

    // Throws CInvalidAts. An ATS whose format byte announces more interface bytes than TL leaves
    // room for is rejected as an invalid T0; no byte past the ATS is ever read.
    void Parse(const std::uint8_t* bytes, std::size_t length);
    void Parse(const CByteArray& bytes) { Parse(bytes.data(), bytes.size()); }

    // The high nibble of TB(1), or 4 without TB(1).
    std::uint8_t GetFrameWaitingTimeInteger() const;
    // 2^FWI x 4096 / 13.56 MHz, in microseconds.
    double GetFrameWaitingTime() const;

    const CByteArray& GetBytes() const { return m_bytes; }
    std::uint8_t GetHistoricalCount() const { return m_historicalCount; }
    std::uint8_t GetTL() const { return m_tl; }
    int GetT0() const { return m_t0; }
    int GetTA1() const { return m_ta1; }
    int GetTB1() const { return m_tb1; }
    int GetTC1() const { return m_tc1; }
    std::uint8_t GetCrc1() const { return m_crc1; }
    std::uint8_t GetCrc2() const { return m_crc2; }
    int GetHistoricalStart() const { return m_historicalStart; }
    bool HasCrc() const { return m_withCrc; }

private:
    void Clear();
    CString BytesText() const;

    CByteArray m_bytes;
    std::uint8_t m_historicalCount = 0;
    std::uint8_t m_tl = 0;
    int m_t0 = kAbsent;
    int m_ta1 = kAbsent;
    int m_tb1 = kAbsent;
    int m_tc1 = kAbsent;
    std::uint8_t m_crc1 = 0;
    std::uint8_t m_crc2 = 0;
    int m_historicalStart = 0;
    const bool m_withCrc;
};

}  // namespace tessaly
