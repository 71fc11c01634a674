// Operations of the Gemplus GPM 896 (0x84) and GPM 256 (0x85); the byte write and read are the
// SLE 4432's.
#pragma once

#include <cstdint>

#include "protocol/serialmemory/OperationLayouts.h"
#include "protocol/serialmemory/SleOperations.h"

namespace tessaly {

inline constexpr CodeText kPresentCodeOptions[] = {
    {0x00, "Erase code 1"}, {0x04, "Card secret code presentation"}, {0x80, "Erase code 2"}};

class CSmOpPresentCode896 final : public CSmOpFields<CSmOpPresentCode896> {
public:
    static constexpr const char* kClassName = "CSmOpPresentCode896";
    using CSmOpFields::CSmOpFields;

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
    using CSmOpFields::CSmOpFields;

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
    static constexpr const char* kLabel = "Write Delay (in millseconds)";
    static constexpr describe::Dec kFormat{};
    using CSmOpWordParam::CSmOpWordParam;

    std::uint32_t GetMilliseconds() const { return GetValue(); }
};

class CSmOpIncToAddr256 final : public CSmOpByteParam<CSmOpIncToAddr256> {
public:
    static constexpr const char* kClassName = "CSmOpIncToAddr256";
    static constexpr const char* kLabel = "Address to increment";
    static constexpr describe::LowerHex2 kFormat{};
    using CSmOpByteParam::CSmOpByteParam;
};

class CSmOpWriteByte256 final : public CSmOpByteParam<CSmOpWriteByte256> {
public:
    static constexpr const char* kClassName = "CSmOpWriteByte256";
    static constexpr const char* kLabel = "Byte to write";
    static constexpr describe::LowerHex2 kFormat{};
    using CSmOpByteParam::CSmOpByteParam;
};

// Per chip: code, class, name, and the name a result reports.
inline constexpr OperationRow kGpm896Operations[] = {
    Plain(0x00, "Reset Card", "Reset Card"),
    Plain(0x02, "Address Reset", "Address Reset"),
    Plain(0x03, "Increment Address", "Increment Address"),
    With<CSmOpPresentCode896>(0x04, "Present Code", "Present Code"),
    With<CSmOpEraseWords896>(0x05, "Erase Words", "Erase Words"),
    Plain(0x06, "Write Bit 200MS", "Write Bit 200ms"),
    With<CSmOpWriteBytes4432_896_256>(0x07, "Write Bytes 896", "Write Bytes"),
    With<CSmOpReadBytes4432_896_256>(0x08, "Read Bytes 896"),
    With<CSmOpSetWriteDelay896>(0x0B, "Set Write Delay", "Set Write Delay"),
};
inline constexpr OperationRow kGpm256Operations[] = {
    Plain(0x00, "Reset Card", "Reset Card"),
    With<CSmOpIncToAddr256>(0x02, "Increment To Address", "Increment to Address"),
    With<CSmOpWriteBytes4432_896_256>(0x03, "Write Bytes 256", "Write Bytes"),
    With<CSmOpWriteByte256>(0x04, "Write Byte", "Write Byte"),
    With<CSmOpReadBytes4432_896_256>(0x05, "Read Bytes 256"),
    Plain(0x06, "Read Byte"),
    Plain(0x07, "Initialize", "Initialize"),
};

}  // namespace tessaly
