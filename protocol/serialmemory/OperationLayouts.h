// Parameter layouts that several operations share; each operation names its labels and formats.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/serialmemory/SerialMemoryOperation.h"

namespace tessaly {

// One byte. Derived provides kLabel and kFormat.
template <class Derived>
class CSmOpByteParam : public CSmOpFields<Derived> {
public:
    using CSmOpFields<Derived>::CSmOpFields;

    std::uint32_t GetValue() const { return m_value; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_value, Derived::kLabel, Derived::kFormat);
    }

private:
    std::uint32_t m_value = 0;
};

// One 16-bit number. Derived provides kLabel and kFormat.
template <class Derived>
class CSmOpWordParam : public CSmOpFields<Derived> {
public:
    using CSmOpFields<Derived>::CSmOpFields;

    std::uint32_t GetValue() const { return m_value; }

    template <class V>
    void Visit(V& v) {
        v.U16(m_value, Derived::kLabel, Derived::kFormat);
    }

private:
    std::uint32_t m_value = 0;
};

// An address (1) and data with a 1-byte length. Derived provides kAddressLabel and kDataLabel.
template <class Derived>
class CSmOpAddressData : public CSmOpFields<Derived> {
public:
    using CSmOpFields<Derived>::CSmOpFields;

    std::uint32_t GetAddress() const { return m_address; }
    const CByteArray& GetData() const { return m_data; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_address, Derived::kAddressLabel, describe::LowerHex2{});
        v.Bytes(m_data, LengthPrefix::OneByte, Derived::kDataLabel, describe::HexOrNone{});
    }

private:
    std::uint32_t m_address = 0;
    CByteArray m_data;
};

// Three single bytes (a code to present). Derived provides kLabels, three labels.
template <class Derived>
class CSmOpThreeBytes : public CSmOpFields<Derived> {
public:
    using CSmOpFields<Derived>::CSmOpFields;

    const std::array<std::uint32_t, 3>& GetBytes() const { return m_bytes; }

    template <class V>
    void Visit(V& v) {
        for (std::size_t i = 0; i < m_bytes.size(); ++i) {
            v.U8(m_bytes[i], Derived::kLabels[i], describe::LowerHex2{});
        }
    }

private:
    std::array<std::uint32_t, 3> m_bytes{};
};

}  // namespace tessaly
