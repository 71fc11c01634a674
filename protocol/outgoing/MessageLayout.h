// Layout pieces that several outgoing messages share, written once for the three field visitors
// (CBodyReader, CBodyWriter, CBodyDescriber): return codes, length fields that count the bytes after
// them, nested blocks, fixed literals and labels made at run time.
//
// Readers are strict where a length or literal decides the layout: a length that disagrees with the
// bytes it counts, or a literal that is not there, throws CPassThruParseError. A read past the end of
// the body throws CInBinaryStringException, which the decoders turn into CPassThruParseError too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

#include "common/Format.h"
#include "common/Types.h"
#include "common/ValueTable.h"
#include "protocol/BinaryString.h"
#include "protocol/CommandCode.h"
#include "protocol/DescribeFormat.h"
#include "protocol/FieldVisitor.h"
#include "protocol/PassThruErrors.h"
#include "protocol/ValueCodes.h"

namespace tessaly::layout {

inline constexpr std::size_t kMax8 = std::numeric_limits<std::uint8_t>::max();
inline constexpr std::size_t kMax16 = std::numeric_limits<std::uint16_t>::max();
inline constexpr std::size_t kMax32 = std::numeric_limits<std::uint32_t>::max();

// The largest count a length prefix can carry.
constexpr std::size_t MaxCount(LengthPrefix prefix) {
    switch (prefix) {
        case LengthPrefix::OneByte:
            return kMax8;
        case LengthPrefix::TwoBytes:
            return kMax16;
        case LengthPrefix::FourBytes:
            return kMax32;
        case LengthPrefix::None:
            break;
    }
    return std::numeric_limits<std::size_t>::max();
}

// Constructors cut a field to the longest its length field can count, so a packet never carries a
// length that disagrees with its bytes (the prefix would otherwise be truncated silently).
inline CString Clip(CString text, std::size_t maxCount) {
    if (text.size() > maxCount) {
        text.resize(maxCount);
    }
    return text;
}
inline CByteArray Clip(CByteArray bytes, std::size_t maxCount) {
    if (bytes.size() > maxCount) {
        bytes.resize(maxCount);
    }
    return bytes;
}
inline CString Clip(CString text, LengthPrefix prefix) {
    return Clip(std::move(text), MaxCount(prefix));
}
inline CByteArray Clip(CByteArray bytes, LengthPrefix prefix) {
    return Clip(std::move(bytes), MaxCount(prefix));
}

// A return code as it travels: 4 bytes when wide, else its low byte.
inline std::uint32_t Narrow(std::uint32_t value, bool wide) {
    return wide ? value : (value & 0xFFU);
}

// rc: 4 bytes ("%08x") when wide, 1 byte ("%02x") otherwise.
template <class V>
void ReturnCode(V& v, std::uint32_t& returnCode, bool wide, const char* label = "Return Code") {
    if (wide) {
        v.U32(returnCode, label, describe::LowerHex8{});
    } else {
        v.U8(returnCode, label, describe::LowerHex2{});
    }
}

// rc4: always 4 bytes, always "%08x".
template <class V>
void ReturnCode4(V& v, std::uint32_t& returnCode, const char* label = "Return Code") {
    v.U32(returnCode, label, describe::LowerHex8{});
}

// A length field (1 or 2 bytes) that counts the bytes following it up to the end of a run. Writers
// write `value`; readers read the field and can then ask how much of the run is left. Describers
// show nothing.
template <class V>
class CCountedRun {
public:
    CCountedRun(V& v, LengthPrefix width, std::size_t value) : m_v(v) {
        if constexpr (V::kReading) {
            m_length = width == LengthPrefix::OneByte ? v.In().ReadByte() : v.In().ReadWord();
            m_start = static_cast<std::size_t>(v.In().Position());
        } else if constexpr (V::kWriting) {
            if (width == LengthPrefix::OneByte) {
                v.Out().AppendByte(static_cast<std::uint8_t>(value));
            } else {
                v.Out().AppendWord(static_cast<std::uint16_t>(value));
            }
        }
    }

    // Readers: the bytes of the run not read yet. Throws when the reads went past the run.
    std::size_t Left() const {
        const std::size_t consumed = static_cast<std::size_t>(m_v.In().Position()) - m_start;
        if (consumed > m_length) {
            throw CPassThruParseError();
        }
        return m_length - consumed;
    }

    // Readers: the run must end here.
    void End() const {
        if constexpr (V::kReading) {
            if (Left() != 0) {
                throw CPassThruParseError();
            }
        }
    }

private:
    V& m_v;
    std::size_t m_length = 0;
    std::size_t m_start = 0;
};

// Unprefixed bytes that fill the rest of a counted run.
template <class V, class Format>
void RestOfRun(V& v, const CCountedRun<V>& run, CByteArray& field, const char* label, Format&& format) {
    if constexpr (V::kReading) {
        v.In().ReadBytes(field, static_cast<std::int64_t>(run.Left()));
    } else {
        v.Bytes(field, LengthPrefix::None, label, std::forward<Format>(format));
    }
}

// A block with a length prefix around fields of its own. `inner(visitor)` visits the block's fields
// with a visitor over the block; a reader requires the block to be used up exactly.
template <class V, class Inner>
void Block(V& v, LengthPrefix prefix, Inner&& inner) {
    if constexpr (V::kReading) {
        CInBinaryString block;
        v.In().ReadBytes(block.Bytes(), prefix);
        CBodyReader reader(block);
        inner(reader);
        if (block.Remaining() != 0) {
            throw CPassThruParseError();
        }
    } else if constexpr (V::kWriting) {
        COutBinaryString block;
        CBodyWriter writer(block);
        inner(writer);
        v.Out().SetLengthPrefix(prefix).AppendBytes(block.Bytes()).SetLengthPrefix(LengthPrefix::None);
    } else {
        inner(v);
    }
}

// A fixed text with a length prefix: written as is, checked when read, not described.
template <class V>
void Literal(V& v, const char* text, LengthPrefix prefix) {
    if constexpr (V::kReading) {
        if (v.In().ReadString(prefix) != text) {
            throw CPassThruParseError();
        }
    } else if constexpr (V::kWriting) {
        v.Out().SetLengthPrefix(prefix).AppendString(text).SetLengthPrefix(LengthPrefix::None);
    }
}

// Fixed bytes without prefix: written as they are, checked when read, not described.
template <class V>
void FixedBytes(V& v, const CByteArray& bytes) {
    if constexpr (V::kReading) {
        CByteArray read;
        v.In().ReadBytes(read, static_cast<std::int64_t>(bytes.size()));
        if (read != bytes) {
            throw CPassThruParseError();
        }
    } else if constexpr (V::kWriting) {
        v.Out().AppendBytes(bytes);
    }
}

// A one-byte field whose label is made at run time ("Station 3").
template <class V, class T>
void LabelledByte(V& v, T& field, const CString& label, std::span<const CodeText> table,
                  const char* unknown) {
    if constexpr (V::kDescribing) {
        v.Pair(label, LookupText(table, static_cast<std::uint8_t>(field), unknown));
    } else {
        v.U8(field);
    }
}

// A label/value pair for describers only (fields that do not travel, or texts chosen by hand).
template <class V>
void DescribeOnly(V& v, const char* label, CString value) {
    if constexpr (V::kDescribing) {
        v.Pair(label, std::move(value));
    }
}

// The time-out indicator of Process and Card Command Simulation: "0" answered, "1" timed out.
inline constexpr std::uint8_t kGotResponse = '0';
inline constexpr std::uint8_t kTimedOut = '1';
inline constexpr CodeText kTimeOutIndicators[] = {{kGotResponse, "Get Response"}, {kTimedOut, "Timed Out"}};

template <class V>
void TimeOutIndicator(V& v, std::uint8_t& indicator) {
    v.U8(indicator, "Time Out Indicator", describe::Table{kTimeOutIndicators, "Unknown Value"});
}

// A card clock: "%d khz" when extended, else the text of its clock code.
struct FrequencyText {
    bool extended;
    CString operator()(std::uint32_t v) const {
        return extended ? describe::Kilohertz{}(v) : CString(LookupText(kClockCodes, v, "Unknown Value"));
    }
};

}  // namespace tessaly::layout
