// Operations of the Gemplus GPM 896 (0x84) and GPM 256 (0x85) that are theirs alone.
#pragma once

#include <cstdint>

#include "protocol/serialmemory/OperationLayouts.h"

namespace tessaly {

inline constexpr CodeText kPresentCodeOptions[] = {
    {0x00, "Erase code 1"}, {0x04, "Card secret code presentation"}, {0x80, "Erase code 2"}};

class CSmOpPresentCode896 final : public CSmOpFields<CSmOpPresentCode896> {
public:
    static constexpr const char* kClassName = "CSmOpPresentCode896";
    static constexpr const char* kName = "Present Code";
    CSmOpPresentCode896(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpFields(chip, code, extended) {
        ReadParams(body);
    }

    std::uint32_t GetOption() const { return m_option; }
    std::uint32_t GetAddress() const { return m_address; }
    const CByteArray& GetData() const { return m_data; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_option, "Present Code Option", describe::Table{kPresentCodeOptions, "Unknown Option"});
        v.U8(m_address, "Address", describe::LowerHex2{});
        v.Bytes(m_data, LengthPrefix::OneByte, "Data to compare", describe::HexOrNone{});
    }

private:
    std::uint32_t m_option = 0;
    std::uint32_t m_address = 0;
    CByteArray m_data;
};

class CSmOpEraseWords896 final : public CSmOpFields<CSmOpEraseWords896> {
public:
    static constexpr const char* kClassName = "CSmOpEraseWords896";
    static constexpr const char* kName = "Erase Words";
    CSmOpEraseWords896(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpFields(chip, code, extended) {
        ReadParams(body);
    }

    std::uint32_t GetAddress() const { return m_address; }
    std::uint32_t GetCount() const { return m_count; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_address, "Address at which to begin erasing", describe::LowerHex2{});
        v.U8(m_count, "Number of words to erase", describe::LowerHex2{});
    }

private:
    std::uint32_t m_address = 0;
    std::uint32_t m_count = 0;
};

class CSmOpSetWriteDelay896 final : public CSmOpWordParam<CSmOpSetWriteDelay896> {
public:
    static constexpr const char* kClassName = "CSmOpSetWriteDelay896";
    static constexpr const char* kName = "Set Write Delay";
    static constexpr const char* kLabel = "Write Delay (in millseconds)";
    static constexpr describe::Dec kFormat{};
    CSmOpSetWriteDelay896(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpWordParam(chip, code, body, extended) {}

    std::uint32_t GetMilliseconds() const { return GetValue(); }
};

class CSmOpIncToAddr256 final : public CSmOpByteParam<CSmOpIncToAddr256> {
public:
    static constexpr const char* kClassName = "CSmOpIncToAddr256";
    static constexpr const char* kName = "Increment To Address";
    static constexpr const char* kLabel = "Address to increment";
    static constexpr describe::LowerHex2 kFormat{};
    CSmOpIncToAddr256(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

class CSmOpWriteByte256 final : public CSmOpByteParam<CSmOpWriteByte256> {
public:
    static constexpr const char* kClassName = "CSmOpWriteByte256";
    static constexpr const char* kName = "Write Byte";
    static constexpr const char* kLabel = "Byte to write";
    static constexpr describe::LowerHex2 kFormat{};
    CSmOpWriteByte256(std::uint32_t chip, std::uint8_t code, CInBinaryString& body, bool extended)
        : CSmOpByteParam(chip, code, body, extended) {}
};

}  // namespace tessaly
