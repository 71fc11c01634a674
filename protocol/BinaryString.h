// Reading and writing big-endian fields and length-prefixed strings over a byte array.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/Types.h"

namespace tessaly {

// Thrown when a read needs a byte at or beyond the end of the data.
struct CInBinaryStringException {
    std::int32_t position;  // the read position at which the missing byte was wanted
};

// Length prefix of a string or byte-array field: none, or 1, 2 or 4 big-endian bytes.
enum class LengthPrefix : int { None = 0, OneByte = -1, TwoBytes = -2, FourBytes = -4 };

// A byte array with a read position. Every read advances the position by the bytes consumed and
// throws CInBinaryStringException when it runs past the end.
class CInBinaryString {
public:
    CInBinaryString() = default;
    explicit CInBinaryString(CByteArray bytes) : m_bytes(std::move(bytes)) {}
    CInBinaryString(const std::uint8_t* bytes, std::size_t count) : m_bytes(bytes, bytes + count) {}

    const CByteArray& Bytes() const { return m_bytes; }
    CByteArray& Bytes() { return m_bytes; }
    std::size_t Size() const { return m_bytes.size(); }
    std::int32_t Position() const { return m_position; }
    void SetPosition(std::int32_t position) { m_position = position; }
    // Bytes left after the read position (0 when the position is at or past the end).
    std::size_t Remaining() const;

    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::uint32_t ReadDWord();
    // count -1, -2, -4: read a 1-, 2- or 4-byte length first. A count below 1 yields nothing.
    CString ReadString(std::int64_t count);
    void ReadBytes(CByteArray& target, std::int64_t count);
    CString ReadString(LengthPrefix prefix) { return ReadString(static_cast<std::int64_t>(prefix)); }
    void ReadBytes(CByteArray& target, LengthPrefix prefix) {
        ReadBytes(target, static_cast<std::int64_t>(prefix));
    }
    // Additive checksum of bytes [0, position) against the byte at the position; consumes it.
    bool VerifyChecksum();

private:
    std::int64_t ResolveCount(std::int64_t count);
    // Position of the first byte of a run of `count` bytes, after checking they all exist.
    std::size_t Take(std::size_t count);

    CByteArray m_bytes;
    std::int32_t m_position = 0;
};

// A byte array being written, plus the length-prefix mode for the next string or array append.
class COutBinaryString {
public:
    COutBinaryString& AppendByte(std::uint8_t value);
    COutBinaryString& AppendWord(std::uint16_t value);
    COutBinaryString& AppendDWord(std::uint32_t value);
    COutBinaryString& SetLengthPrefix(LengthPrefix mode);
    // Writes the length in the current prefix mode (truncated to its width), then the bytes.
    COutBinaryString& AppendString(const CString& text);
    COutBinaryString& AppendBytes(const CByteArray& bytes);
    COutBinaryString& AppendBytes(const std::uint8_t* bytes, std::size_t count);
    COutBinaryString& AppendChecksum();
    COutBinaryString& Reset();

    LengthPrefix Prefix() const { return m_prefix; }
    const CByteArray& Bytes() const { return m_bytes; }
    CByteArray TakeBytes() { return std::move(m_bytes); }
    std::size_t Size() const { return m_bytes.size(); }

private:
    void AppendLength(std::size_t length);

    CByteArray m_bytes;
    LengthPrefix m_prefix = LengthPrefix::None;
};

// The low 8 bits of the sum of the bytes.
std::uint8_t AdditiveChecksum(const std::uint8_t* bytes, std::size_t count);

}  // namespace tessaly
