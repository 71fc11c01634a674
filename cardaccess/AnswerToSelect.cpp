#include "cardaccess/AnswerToSelect.h"

#include <cmath>
#include <utility>

#include "common/Format.h"
#include "common/TextEncoding.h"

namespace tessaly {
namespace {

constexpr std::uint8_t kT0HasTA = 0x10;
constexpr std::uint8_t kT0HasTB = 0x20;
constexpr std::uint8_t kT0HasTC = 0x40;
constexpr std::uint8_t kT0Reserved = 0x80;
constexpr std::uint8_t kTA1Reserved = 0x08;
constexpr std::uint8_t kTC1Limit = 4;
constexpr std::uint8_t kDefaultFwi = 4;
// One elementary time unit of ISO 14443-4 frame waiting: 256 x 16 / fc, fc = 13.56 MHz.
constexpr double kFwtUnitMicroseconds = 4096.0 / 13.56;

}  // namespace

CAnswerToSelect::CInvalidAts::CInvalidAts(CString message)
    : m_message(std::make_shared<const CString>(std::move(message))) {}

CAnswerToSelect::CInvalidAts::~CInvalidAts() = default;

CString CAnswerToSelect::CInvalidAts::GetMessage() const {
    return *m_message;
}

CAnswerToSelect::CAnswerToSelect(bool withCrc) : m_withCrc(withCrc) {}

void CAnswerToSelect::Clear() {
    m_bytes.clear();
    m_historicalCount = 0;
    m_tl = 0;
    m_t0 = m_ta1 = m_tb1 = m_tc1 = kAbsent;
    m_crc1 = m_crc2 = 0;
    m_historicalStart = 0;
}

CString CAnswerToSelect::BytesText() const {
    return HexString(m_bytes);
}

void CAnswerToSelect::Parse(const std::uint8_t* bytes, std::size_t length) {
    Clear();
    if (bytes != nullptr && length != 0) {
        m_bytes.assign(bytes, bytes + length);
    }
    const std::size_t size = m_bytes.size();
    // TL alone is a whole ATS (every other field takes its default); with CRC it is followed by two bytes.
    if (size < (m_withCrc ? 3U : 1U)) {
        throw CInvalidAts(FormatText("The ATS [%s] is too short.", BytesText().c_str()));
    }
    m_tl = m_bytes[0];
    const std::size_t expected = m_withCrc ? size - 2 : size;
    if (m_tl != expected) {
        throw CInvalidAts(FormatText("The TL value 0x%02X is inconsistent with the length of ATS [%s].",
                                     unsigned{m_tl}, BytesText().c_str()));
    }
    if (m_tl >= 2) {
        const std::uint8_t t0 = m_bytes[1];
        if (t0 >= kT0Reserved) {
            throw CInvalidAts(
                FormatText("Invalid T0 value 0x%02X in ATS [%s].", unsigned{t0}, BytesText().c_str()));
        }
        const std::size_t announced =
            ((t0 & kT0HasTA) != 0) + ((t0 & kT0HasTB) != 0) + ((t0 & kT0HasTC) != 0);
        if (2 + announced > m_tl) {
            // The format byte promises interface bytes that the ATS does not hold.
            throw CInvalidAts(
                FormatText("Invalid T0 value 0x%02X in ATS [%s].", unsigned{t0}, BytesText().c_str()));
        }
        m_t0 = t0;
        std::size_t next = 2;
        if ((t0 & kT0HasTA) != 0) {
            const std::uint8_t ta1 = m_bytes[next++];
            if ((ta1 & kTA1Reserved) != 0) {
                throw CInvalidAts(FormatText("Invalid TA(1) value 0x%02X in ATS [%s].", unsigned{ta1},
                                             BytesText().c_str()));
            }
            m_ta1 = ta1;
        }
        if ((t0 & kT0HasTB) != 0) {
            m_tb1 = m_bytes[next++];
        }
        if ((t0 & kT0HasTC) != 0) {
            const std::uint8_t tc1 = m_bytes[next++];
            if (tc1 >= kTC1Limit) {
                throw CInvalidAts(FormatText("Invalid TC(1) value 0x%02X in ATS [%s].", unsigned{tc1},
                                             BytesText().c_str()));
            }
            m_tc1 = tc1;
        }
        m_historicalStart = static_cast<int>(next);
        m_historicalCount = static_cast<std::uint8_t>(m_tl - next);
    }
    if (m_withCrc) {
        m_crc1 = m_bytes[m_tl];
        m_crc2 = m_bytes[m_tl + 1];
    }
}

std::uint8_t CAnswerToSelect::GetFrameWaitingTimeInteger() const {
    return m_tb1 == kAbsent ? kDefaultFwi : static_cast<std::uint8_t>((m_tb1 >> 4) & 0x0F);
}

double CAnswerToSelect::GetFrameWaitingTime() const {
    return std::ldexp(kFwtUnitMicroseconds, GetFrameWaitingTimeInteger());
}

}  // namespace tessaly
