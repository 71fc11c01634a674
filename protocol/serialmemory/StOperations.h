// Operations of the SGS-Thomson chips: ST133x (0x86) and ST14C02C (0x87).
#pragma once

#include <array>
#include <cstdint>

#include "protocol/serialmemory/OperationLayouts.h"

namespace tessaly {

inline constexpr CodeText kSt133xCardTypes[] = {{0x32, "Six contact type"}, {0x33, "Five contact type"}};

// The ST133x operations that carry only the card type. Derived provides kClassName and kName.
template <class Derived>
class CSmOpCardTypeST133X : public CSmOpByteParam<Derived> {
public:
    static constexpr const char* kLabel = "Card Type";
    static constexpr describe::Table kFormat{kSt133xCardTypes, "Unknown type"};

    std::uint32_t GetCardType() const { return this->GetValue(); }

protected:
    CSmOpCardTypeST133X(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam<Derived>(chip, code, body, extended) {}
};

class CSmOpResetST133X final : public CSmOpCardTypeST133X<CSmOpResetST133X> {
public:
    static constexpr const char* kClassName = "CSmOpResetST133X";
    static constexpr const char* kName = "Reset";
    CSmOpResetST133X(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpCardTypeST133X(chip, code, body, extended) {}
};

class CSmOpAddrResetST133X final : public CSmOpCardTypeST133X<CSmOpAddrResetST133X> {
public:
    static constexpr const char* kClassName = "CSmOpAddrResetST133X";
    static constexpr const char* kName = "Address Reset";
    CSmOpAddrResetST133X(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpCardTypeST133X(chip, code, body, extended) {}
};

class CSmOpIncAddrST133X final : public CSmOpCardTypeST133X<CSmOpIncAddrST133X> {
public:
    static constexpr const char* kClassName = "CSmOpIncAddrST133X";
    static constexpr const char* kName = "Increment Address";
    CSmOpIncAddrST133X(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpCardTypeST133X(chip, code, body, extended) {}
};

class CSmOpProgramBitST133X final : public CSmOpCardTypeST133X<CSmOpProgramBitST133X> {
public:
    static constexpr const char* kClassName = "CSmOpProgramBitST133X";
    static constexpr const char* kName = "Program Bit";
    CSmOpProgramBitST133X(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpCardTypeST133X(chip, code, body, extended) {}
};

class CSmOpBlowCfgFuseST133X final : public CSmOpCardTypeST133X<CSmOpBlowCfgFuseST133X> {
public:
    static constexpr const char* kClassName = "CSmOpBlowCfgFuseST133X";
    static constexpr const char* kName = "Blow Configuration Fuse";
    CSmOpBlowCfgFuseST133X(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpCardTypeST133X(chip, code, body, extended) {}
};

class CSmOpCheckCfgFuseST133X final : public CSmOpCardTypeST133X<CSmOpCheckCfgFuseST133X> {
public:
    static constexpr const char* kClassName = "CSmOpCheckCfgFuseST133X";
    static constexpr const char* kName = "Check Config Fuse";
    CSmOpCheckCfgFuseST133X(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpCardTypeST133X(chip, code, body, extended) {}
};

class CSmOpPresentTransportCodeST133X final : public CSmOpFields<CSmOpPresentTransportCodeST133X> {
public:
    static constexpr const char* kClassName = "CSmOpPresentTransportCodeST133X";
    static constexpr const char* kName = "Present Transport Code";
    CSmOpPresentTransportCodeST133X(std::uint32_t chip, std::uint8_t code, CInBinaryString& body,
                                    bool extended)
        : CSmOpFields(chip, code, extended) {
        ReadParams(body);
    }

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
    static constexpr const char* kName = "Write Byte";
    CSmOpWriteByteST14C02C(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpFields(chip, code, extended) {
        ReadParams(body);
    }

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
    static constexpr const char* kName = "Multi Byte Write";
    static constexpr const char* kAddressLabel = "Address at which to start writing";
    static constexpr const char* kDataLabel = "Data to write";
    CSmOpMultiByteWriteST14C02C(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpAddressData(chip, code, body, extended) {}
};

class CSmOpPageWriteST14C02C final : public CSmOpAddressData<CSmOpPageWriteST14C02C> {
public:
    static constexpr const char* kClassName = "CSmOpPageWriteST14C02C";
    static constexpr const char* kName = "Page Write";
    static constexpr const char* kAddressLabel = "Address at which to start writing";
    static constexpr const char* kDataLabel = "Data to write";
    CSmOpPageWriteST14C02C(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpAddressData(chip, code, body, extended) {}
};

class CSmOpReadBytesST14C02C final : public CSmOpWordParam<CSmOpReadBytesST14C02C> {
public:
    static constexpr const char* kClassName = "CSmOpReadBytesST14C02C";
    static constexpr const char* kName = "Read Bytes";
    static constexpr const char* kLabel = "Number of bytes to read";
    static constexpr describe::LowerHex2 kFormat{};
    CSmOpReadBytesST14C02C(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpWordParam(chip, code, body, extended) {}

    std::uint32_t GetCount() const { return GetValue(); }
};

class CSmOpReadByteAddrST14C02C final : public CSmOpByteParam<CSmOpReadByteAddrST14C02C> {
public:
    static constexpr const char* kClassName = "CSmOpReadByteAddrST14C02C";
    static constexpr const char* kName = "Read Byte Address";
    static constexpr const char* kLabel = "Address from which to read";
    static constexpr describe::LowerHex2 kFormat{};
    CSmOpReadByteAddrST14C02C(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

class CSmOpReadBytesAddrST14C02C final : public CSmOpFields<CSmOpReadBytesAddrST14C02C> {
public:
    static constexpr const char* kClassName = "CSmOpReadBytesAddrST14C02C";
    static constexpr const char* kName = "Read Bytes address";
    CSmOpReadBytesAddrST14C02C(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpFields(chip, code, extended) {
        ReadParams(body);
    }

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

}  // namespace tessaly
