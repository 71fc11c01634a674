// One description of a body layout, run three ways.
//
// A protocol class writes its fields once, in wire order, in `template <class V> void Visit(V& v)`:
//
//     v.U8(m_destination, "Destination", describe::Table{kDestinations, "Unknown Value"});
//     if (IsExtended()) v.U16(m_flags, "Flags", describe::UpperHex4{});
//     v.Bytes(m_data, LengthPrefix::TwoBytes, "Data", describe::HexOrNone{});
//
// CBodyReader fills the fields from a CInBinaryString (the constructor), CBodyWriter re-encodes them
// (GetBody) and CBodyDescriber appends label/value pairs (Describe). A field without a label is read
// and written but not described. Conditional fields are ordinary `if`s. Parts that do not follow the
// fields are written under `if constexpr (V::kDescribing)` (or kReading / kWriting) with the
// visitor's In(), Out() or List().
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "common/Types.h"
#include "protocol/BinaryString.h"
#include "protocol/DescribeFormat.h"

namespace tessaly {

class CBodyReader {
public:
    static constexpr bool kReading = true;
    static constexpr bool kWriting = false;
    static constexpr bool kDescribing = false;

    explicit CBodyReader(CInBinaryString& in) : m_in(in) {}

    template <class T, class... Describe>
    void U8(T& field, Describe&&...) {
        field = static_cast<T>(m_in.ReadByte());
    }
    template <class T, class... Describe>
    void U16(T& field, Describe&&...) {
        field = static_cast<T>(m_in.ReadWord());
    }
    template <class T, class... Describe>
    void U32(T& field, Describe&&...) {
        field = static_cast<T>(m_in.ReadDWord());
    }
    // LengthPrefix::None: the field runs to the end of the body.
    template <class... Describe>
    void Bytes(CByteArray& field, LengthPrefix prefix, Describe&&...) {
        if (prefix == LengthPrefix::None) {
            m_in.ReadBytes(field, static_cast<std::int64_t>(m_in.Remaining()));
        } else {
            m_in.ReadBytes(field, prefix);
        }
    }
    template <class... Describe>
    void Text(CString& field, LengthPrefix prefix, Describe&&...) {
        if (prefix == LengthPrefix::None) {
            field = m_in.ReadString(static_cast<std::int64_t>(m_in.Remaining()));
        } else {
            field = m_in.ReadString(prefix);
        }
    }
    // Exactly `count` characters, no prefix.
    template <class... Describe>
    void FixedText(CString& field, std::size_t count, Describe&&...) {
        field = m_in.ReadString(static_cast<std::int64_t>(count));
    }
    // A 2-byte field read and dropped (a length the layout repeats); the writer writes `value`.
    void Skip16(std::uint16_t /*value*/) { m_in.ReadWord(); }
    // A 1-byte field read and dropped; the writer writes `value`.
    void Skip8(std::uint8_t /*value*/) { m_in.ReadByte(); }

    bool AtEnd() const { return m_in.Remaining() == 0; }
    CInBinaryString& In() { return m_in; }

private:
    CInBinaryString& m_in;
};

class CBodyWriter {
public:
    static constexpr bool kReading = false;
    static constexpr bool kWriting = true;
    static constexpr bool kDescribing = false;

    explicit CBodyWriter(COutBinaryString& out) : m_out(out) {}

    template <class T, class... Describe>
    void U8(const T& field, Describe&&...) {
        m_out.AppendByte(static_cast<std::uint8_t>(field));
    }
    template <class T, class... Describe>
    void U16(const T& field, Describe&&...) {
        m_out.AppendWord(static_cast<std::uint16_t>(field));
    }
    template <class T, class... Describe>
    void U32(const T& field, Describe&&...) {
        m_out.AppendDWord(static_cast<std::uint32_t>(field));
    }
    template <class... Describe>
    void Bytes(const CByteArray& field, LengthPrefix prefix, Describe&&...) {
        m_out.SetLengthPrefix(prefix).AppendBytes(field).SetLengthPrefix(LengthPrefix::None);
    }
    template <class... Describe>
    void Text(const CString& field, LengthPrefix prefix, Describe&&...) {
        m_out.SetLengthPrefix(prefix).AppendString(field).SetLengthPrefix(LengthPrefix::None);
    }
    template <class... Describe>
    void FixedText(const CString& field, std::size_t count, Describe&&...) {
        CString fixed = field;
        fixed.resize(count, '\0');
        m_out.SetLengthPrefix(LengthPrefix::None).AppendString(fixed);
    }
    void Skip16(std::uint16_t value) { m_out.AppendWord(value); }
    void Skip8(std::uint8_t value) { m_out.AppendByte(value); }

    COutBinaryString& Out() { return m_out; }

private:
    COutBinaryString& m_out;
};

class CBodyDescriber {
public:
    static constexpr bool kReading = false;
    static constexpr bool kWriting = false;
    static constexpr bool kDescribing = true;

    // Empties `list`; the caller then adds the opening pair.
    explicit CBodyDescriber(CStringArray& list) : m_list(list) { m_list.clear(); }

    template <class T>
    void U8(const T& /*field*/) {}
    template <class T, class Format>
    void U8(const T& field, const char* label, Format&& format) {
        Pair(label, std::forward<Format>(format)(static_cast<std::uint32_t>(field)));
    }
    template <class T>
    void U16(const T& /*field*/) {}
    template <class T, class Format>
    void U16(const T& field, const char* label, Format&& format) {
        Pair(label, std::forward<Format>(format)(static_cast<std::uint32_t>(field)));
    }
    template <class T>
    void U32(const T& /*field*/) {}
    template <class T, class Format>
    void U32(const T& field, const char* label, Format&& format) {
        Pair(label, std::forward<Format>(format)(static_cast<std::uint32_t>(field)));
    }
    void Bytes(const CByteArray& /*field*/, LengthPrefix /*prefix*/) {}
    template <class Format>
    void Bytes(const CByteArray& field, LengthPrefix /*prefix*/, const char* label, Format&& format) {
        Pair(label, std::forward<Format>(format)(field));
    }
    void Text(const CString& /*field*/, LengthPrefix /*prefix*/) {}
    void Text(const CString& field, LengthPrefix /*prefix*/, const char* label) { Pair(label, field); }
    template <class Format>
    void Text(const CString& field, LengthPrefix /*prefix*/, const char* label, Format&& format) {
        Pair(label, std::forward<Format>(format)(field));
    }
    void FixedText(const CString& /*field*/, std::size_t /*count*/) {}
    void FixedText(const CString& field, std::size_t /*count*/, const char* label) { Pair(label, field); }
    void Skip16(std::uint16_t /*value*/) {}
    void Skip8(std::uint8_t /*value*/) {}

    void Pair(const char* label, CString value) {
        m_list.emplace_back(label);
        m_list.push_back(std::move(value));
    }
    void Pair(CString label, CString value) {
        m_list.push_back(std::move(label));
        m_list.push_back(std::move(value));
    }
    void Entry(CString text) { m_list.push_back(std::move(text)); }

    CStringArray& List() { return m_list; }

private:
    CStringArray& m_list;
};

// Reads `layout`'s fields from `body` with its own Visit. A shared layout base calls this from its
// constructor as ReadLayout(*this, body): the derived class is not constructed yet, so its Visit
// must not be reached through a cast.
template <class Layout>
void ReadLayout(Layout& layout, CInBinaryString& body) {
    CBodyReader reader(body);
    layout.Visit(reader);
}

}  // namespace tessaly
