#include "protocol/BinaryString.h"

namespace tessaly {

std::size_t CInBinaryString::Remaining() const {
    if (m_position < 0 || static_cast<std::size_t>(m_position) >= m_bytes.size()) {
        return 0;
    }
    return m_bytes.size() - static_cast<std::size_t>(m_position);
}

std::size_t CInBinaryString::Take(std::size_t count) {
    const std::size_t start = static_cast<std::size_t>(m_position);
    const std::size_t available = Remaining();
    if (count > available) {
        // Multi-byte reads advance over what was present, then report the first missing byte.
        m_position = static_cast<std::int32_t>(start + available);
        throw CInBinaryStringException{m_position};
    }
    m_position = static_cast<std::int32_t>(start + count);
    return start;
}

std::uint8_t CInBinaryString::ReadByte() {
    return m_bytes[Take(1)];
}

std::uint16_t CInBinaryString::ReadWord() {
    const std::size_t at = Take(2);
    return static_cast<std::uint16_t>((m_bytes[at] << 8) | m_bytes[at + 1]);
}

std::uint32_t CInBinaryString::ReadDWord() {
    const std::size_t at = Take(4);
    return (static_cast<std::uint32_t>(m_bytes[at]) << 24) |
           (static_cast<std::uint32_t>(m_bytes[at + 1]) << 16) |
           (static_cast<std::uint32_t>(m_bytes[at + 2]) << 8) | m_bytes[at + 3];
}

std::int64_t CInBinaryString::ResolveCount(std::int64_t count) {
    switch (count) {
        case -1:
            return ReadByte();
        case -2:
            return ReadWord();
        case -4:
            return ReadDWord();
        default:
            return count;
    }
}

CString CInBinaryString::ReadString(std::int64_t count) {
    const std::int64_t length = ResolveCount(count);
    if (length < 1) {
        return {};
    }
    const std::size_t at = Take(static_cast<std::size_t>(length));
    return CString(reinterpret_cast<const char*>(m_bytes.data() + at), static_cast<std::size_t>(length));
}

void CInBinaryString::ReadBytes(CByteArray& target, std::int64_t count) {
    target.clear();
    const std::int64_t length = ResolveCount(count);
    if (length < 1) {
        return;
    }
    const std::size_t at = Take(static_cast<std::size_t>(length));
    target.assign(m_bytes.begin() + static_cast<std::ptrdiff_t>(at),
                  m_bytes.begin() + static_cast<std::ptrdiff_t>(at + static_cast<std::size_t>(length)));
}

bool CInBinaryString::VerifyChecksum() {
    const std::size_t end = static_cast<std::size_t>(m_position);
    const std::uint8_t expected =
        AdditiveChecksum(m_bytes.data(), end < m_bytes.size() ? end : m_bytes.size());
    return ReadByte() == expected;
}

COutBinaryString& COutBinaryString::AppendByte(std::uint8_t value) {
    m_bytes.push_back(value);
    return *this;
}

COutBinaryString& COutBinaryString::AppendWord(std::uint16_t value) {
    m_bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    m_bytes.push_back(static_cast<std::uint8_t>(value));
    return *this;
}

COutBinaryString& COutBinaryString::AppendDWord(std::uint32_t value) {
    m_bytes.push_back(static_cast<std::uint8_t>(value >> 24));
    m_bytes.push_back(static_cast<std::uint8_t>(value >> 16));
    m_bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    m_bytes.push_back(static_cast<std::uint8_t>(value));
    return *this;
}

COutBinaryString& COutBinaryString::SetLengthPrefix(LengthPrefix mode) {
    m_prefix = mode;
    return *this;
}

void COutBinaryString::AppendLength(std::size_t length) {
    switch (m_prefix) {
        case LengthPrefix::None:
            break;
        case LengthPrefix::OneByte:
            AppendByte(static_cast<std::uint8_t>(length));
            break;
        case LengthPrefix::TwoBytes:
            AppendWord(static_cast<std::uint16_t>(length));
            break;
        case LengthPrefix::FourBytes:
            AppendDWord(static_cast<std::uint32_t>(length));
            break;
    }
}

COutBinaryString& COutBinaryString::AppendString(const CString& text) {
    return AppendBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

COutBinaryString& COutBinaryString::AppendBytes(const CByteArray& bytes) {
    return AppendBytes(bytes.data(), bytes.size());
}

COutBinaryString& COutBinaryString::AppendBytes(const std::uint8_t* bytes, std::size_t count) {
    AppendLength(count);
    m_bytes.insert(m_bytes.end(), bytes, bytes + count);
    return *this;
}

COutBinaryString& COutBinaryString::AppendChecksum() {
    return AppendByte(AdditiveChecksum(m_bytes.data(), m_bytes.size()));
}

COutBinaryString& COutBinaryString::Reset() {
    m_bytes.clear();
    m_prefix = LengthPrefix::None;
    return *this;
}

std::uint8_t AdditiveChecksum(const std::uint8_t* bytes, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += bytes[i];
    }
    return static_cast<std::uint8_t>(sum);
}

}  // namespace tessaly
