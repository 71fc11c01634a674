// Operations of the SGS-Thomson chips: ST133x (0x86) and ST14C02C (0x87).
#pragma once

#include <array>
#include <cstdint>

#include "protocol/serialmemory/OperationLayouts.h"

namespace tessaly {

inline constexpr CodeText kSt133xCardTypes[] = {{0x32, "Six contact type"}, {0x33, "Five contact type"}};

// The ST133x operations that carry only the card type. Derived provides kClassName.
template <class Derived>
class CSmOpCardTypeST133X : public CSmOpByteParam<Derived> {
public:
    using CSmOpByteParam<Derived>::CSmOpByteParam;

    static constexpr const char* kLabel = "Card Type";
    static constexpr describe::Table kFormat{kSt133xCardTypes, "Unknown type"};

    std::uint32_t GetCardType() const { return this->GetValue(); }
};

class CSmOpResetST133X final : public CSmOpCardTypeST133X<CSmOpResetST133X> {
public:
    static constexpr const char* kClassName = "CSmOpResetST133X";
    using CSmOpCardTypeST133X::CSmOpCardTypeST133X;
};

class CSmOpAddrResetST133X final : public CSmOpCardTypeST133X<CSmOpAddrResetST133X> {
public:
    static constexpr const char* kClassName = "CSmOpAddrResetST133X";
    using CSmOpCardTypeST133X::CSmOpCardTypeST133X;
};

class CSmOpIncAddrST133X final : public CSmOpCardTypeST133X<CSmOpIncAddrST133X> {
public:
    static constexpr const char* kClassName = "CSmOpIncAddrST133X";
    using CSmOpCardTypeST133X::CSmOpCardTypeST133X;
};

class CSmOpProgramBitST133X final : public CSmOpCardTypeST133X<CSmOpProgramBitST133X> {
public:
    static constexpr const char* kClassName = "CSmOpProgramBitST133X";
    using CSmOpCardTypeST133X::CSmOpCardTypeST133X;
};

class CSmOpBlowCfgFuseST133X final : public CSmOpCardTypeST133X<CSmOpBlowCfgFuseST133X> {
public:
    static constexpr const char* kClassName = "CSmOpBlowCfgFuseST133X";
    using CSmOpCardTypeST133X::CSmOpCardTypeST133X;
};

class CSmOpCheckCfgFuseST133X final : public CSmOpCardTypeST133X<CSmOpCheckCfgFuseST133X> {
public:
    static constexpr const char* kClassName = "CSmOpCheckCfgFuseST133X";
    using CSmOpCardTypeST133X::CSmOpCardTypeST133X;
};

class CSmOpPresentTransportCodeST133X final : public CSmOpFields<CSmOpPresentTransportCodeST133X> {
public:
    static constexpr const char* kClassName = "CSmOpPresentTransportCodeST133X";
    using CSmOpFields::CSmOpFields;

    std::uint32_t GetCardType() const { return m_cardType; }
    const std::array<std::uint32_t, 3>& GetBytes() const { return m_bytes; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_cardType, "Card Type", describe::Table{kSt133xCardTypes, "Unknown type"});
        v.U8(m_bytes[0], "Byte 1 of Transport Code", describe::LowerHex2{});
        v.U8(m_bytes[1], "Byte 2 of Transport Code", describe::LowerHex2{});
        v.U8(m_bytes[2], "Byte 3 of Transport Code", describe::LowerHex2{});
    }

private:
    std::uint32_t m_cardType = 0;
    std::array<std::uint32_t, 3> m_bytes{};
};

class CSmOpWriteByteST14C02C final : public CSmOpFields<CSmOpWriteByteST14C02C> {
public:
    static constexpr const char* kClassName = "CSmOpWriteByteST14C02C";
    using CSmOpFields::CSmOpFields;

    std::uint32_t GetAddress() const { return m_address; }
    std::uint32_t GetByte() const { return m_byte; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_address, "Address at which to write", describe::LowerHex2{});
        v.U8(m_byte, "Byte to write", describe::LowerHex2{});
    }

private:
    std::uint32_t m_address = 0;
    std::uint32_t m_byte = 0;
};

class CSmOpMultiByteWriteST14C02C final : public CSmOpAddressData<CSmOpMultiByteWriteST14C02C> {
public:
    static constexpr const char* kClassName = "CSmOpMultiByteWriteST14C02C";
    static constexpr const char* kAddressLabel = "Address at which to start writing";
    static constexpr const char* kDataLabel = "Data to write";
    using CSmOpAddressData::CSmOpAddressData;
};

class CSmOpPageWriteST14C02C final : public CSmOpAddressData<CSmOpPageWriteST14C02C> {
public:
    static constexpr const char* kClassName = "CSmOpPageWriteST14C02C";
    static constexpr const char* kAddressLabel = "Address at which to start writing";
    static constexpr const char* kDataLabel = "Data to write";
    using CSmOpAddressData::CSmOpAddressData;
};

class CSmOpReadBytesST14C02C final : public CSmOpWordParam<CSmOpReadBytesST14C02C> {
public:
    static constexpr const char* kClassName = "CSmOpReadBytesST14C02C";
    static constexpr const char* kLabel = "Number of bytes to read";
    static constexpr describe::LowerHex2 kFormat{};
    using CSmOpWordParam::CSmOpWordParam;

    std::uint32_t GetCount() const { return GetValue(); }
};

class CSmOpReadByteAddrST14C02C final : public CSmOpByteParam<CSmOpReadByteAddrST14C02C> {
public:
    static constexpr const char* kClassName = "CSmOpReadByteAddrST14C02C";
    static constexpr const char* kLabel = "Address from which to read";
    static constexpr describe::LowerHex2 kFormat{};
    using CSmOpByteParam::CSmOpByteParam;
};

class CSmOpReadBytesAddrST14C02C final : public CSmOpFields<CSmOpReadBytesAddrST14C02C> {
public:
    static constexpr const char* kClassName = "CSmOpReadBytesAddrST14C02C";
    using CSmOpFields::CSmOpFields;

    std::uint32_t GetAddress() const { return m_address; }
    std::uint32_t GetCount() const { return m_count; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_address, "Address from which to read", describe::LowerHex2{});
        v.U16(m_count, "Number of bytes to read", describe::LowerHex2{});
    }

private:
    std::uint32_t m_address = 0;
    std::uint32_t m_count = 0;
};

// Per chip: code, class, name, and the name a result reports.
inline constexpr OperationRow kSt133xOperations[] = {
    With<CSmOpResetST133X>(0x00, "Reset"),
    With<CSmOpAddrResetST133X>(0x02, "Address Reset", "Address Reset"),
    With<CSmOpIncAddrST133X>(0x03, "Increment Address", "Increment Address"),
    With<CSmOpPresentTransportCodeST133X>(0x04, "Present Transport Code", "Present Transport Code"),
    With<CSmOpProgramBitST133X>(0x05, "Program Bit", "Program Bit"),
    Plain(0x06, "Read Bit", "Read Bit"),
    With<CSmOpBlowCfgFuseST133X>(0x09, "Blow Configuration Fuse", "Blow Configuration Fuse"),
    With<CSmOpCheckCfgFuseST133X>(0x0A, "Check Config Fuse", "Check Configuration Fuse"),
};
inline constexpr OperationRow kSt14C02COperations[] = {
    Plain(0x00, "Reset Card", "Reset Card"),
    With<CSmOpWriteByteST14C02C>(0x02, "Write Byte", "Write Byte"),
    With<CSmOpMultiByteWriteST14C02C>(0x03, "Multi Byte Write", "Multi-Byte Write"),
    With<CSmOpPageWriteST14C02C>(0x04, "Page Write", "Page Write"),
    With<CSmOpReadBytesST14C02C>(0x05, "Read Bytes"),
    Plain(0x06, "Read Byte"),
    With<CSmOpReadByteAddrST14C02C>(0x07, "Read Byte Address"),
    With<CSmOpReadBytesAddrST14C02C>(0x08, "Read Bytes address"),
};

}  // namespace tessaly
