// Operations of the Siemens SLE chips: 4418/4428 (0x81), 4432/4442 (0x82), 4436 (0x83) and 4406 (0x88).
// The byte write and read of the 4432 serve the Gemplus GPM 896 and 256 as well.
#pragma once

#include <cstdint>

#include "protocol/serialmemory/ChipTypes.h"
#include "protocol/serialmemory/OperationLayouts.h"

namespace tessaly {

inline constexpr CodeText kWriteMemoryCodes[] = {
    {0x0C, "Write Protect bit With Data Comparison"},
    {0x8C, "Write and erase with protect bit"},
    {0xCC, "Write and erase without protect bit"},
};
inline constexpr CodeText kReadMemoryCodes[] = {
    {0x30, "Read data with protect bit"},
    {0x70, "Read data with out protect bit"},
};
inline constexpr CodeText kAuthenticationControls[] = {{0x6E, "Authentication Control 1"},
                                                       {0x6F, "Authentication Control 2"}};

class CSmOpChgPsc4418 final : public CSmOpFields<CSmOpChgPsc4418> {
public:
    static constexpr const char* kClassName = "CSmOpChgPsc4418";
    using CSmOpFields::CSmOpFields;

    std::uint32_t GetOldPin() const { return m_oldPin; }
    std::uint32_t GetNewPin() const { return m_newPin; }

    template <class V>
    void Visit(V& v) {
        v.U16(m_oldPin, "Old PIN", describe::LowerHex2{});
        v.U16(m_newPin, "New PIN", describe::LowerHex2{});
    }

private:
    std::uint32_t m_oldPin = 0;
    std::uint32_t m_newPin = 0;
};

class CSmOpVerifyPsc4418 final : public CSmOpWordParam<CSmOpVerifyPsc4418> {
public:
    static constexpr const char* kClassName = "CSmOpVerifyPsc4418";
    static constexpr const char* kLabel = "Current PIN";
    static constexpr describe::LowerHex2 kFormat{};
    using CSmOpWordParam::CSmOpWordParam;

    std::uint32_t GetPin() const { return GetValue(); }
};

class CSmOpWriteMemory4418 final : public CSmOpFields<CSmOpWriteMemory4418> {
public:
    static constexpr const char* kClassName = "CSmOpWriteMemory4418";
    using CSmOpFields::CSmOpFields;

    std::uint32_t GetAddress() const { return m_address; }
    std::uint32_t GetWriteCode() const { return m_writeCode; }
    const CByteArray& GetData() const { return m_data; }

    template <class V>
    void Visit(V& v) {
        v.U16(m_address, "Address at which to Start Writing", describe::LowerHex2{});
        v.U8(m_writeCode, "Write Code", describe::Table{kWriteMemoryCodes, "Unknowm Code Type"});
        v.Bytes(m_data, LengthPrefix::TwoBytes, "Data to Write", describe::HexOrNone{});
    }

private:
    std::uint32_t m_address = 0;
    std::uint32_t m_writeCode = 0;
    CByteArray m_data;
};

class CSmOpReadMemory4418 final : public CSmOpFields<CSmOpReadMemory4418> {
public:
    static constexpr const char* kClassName = "CSmOpReadMemory4418";
    using CSmOpFields::CSmOpFields;

    std::uint32_t GetAddress() const { return m_address; }
    std::uint32_t GetCount() const { return m_count; }
    std::uint32_t GetReadCode() const { return m_readCode; }

    template <class V>
    void Visit(V& v) {
        v.U16(m_address, "Address from which to read", describe::LowerHex2{});
        v.U16(m_count, "Number of bytes to read", describe::LowerHex2{});
        v.U8(m_readCode, "Read Code", describe::Table{kReadMemoryCodes, "Unknowm Code Type"});
    }

private:
    std::uint32_t m_address = 0;
    std::uint32_t m_count = 0;
    std::uint32_t m_readCode = 0;
};

class CSmOpVerification4432 final : public CSmOpThreeBytes<CSmOpVerification4432> {
public:
    static constexpr const char* kClassName = "CSmOpVerification4432";
    static constexpr const char* kLabels[3] = {"Byte 1 of Verification Data", "Byte 2 of Verification Data",
                                               "Byte 3 of Verification Data"};
    using CSmOpThreeBytes::CSmOpThreeBytes;
};

// Also the byte write of the GPM 896 and 256; its name is the chip's.
// NOLINTNEXTLINE(readability-identifier-naming): the chips it serves are part of its name
class CSmOpWriteBytes4432_896_256 final : public CSmOpAddressData<CSmOpWriteBytes4432_896_256> {
public:
    static constexpr const char* kClassName = "CSmOpWriteBytes4432_896_256";
    static constexpr const char* kAddressLabel = "Address at which to start writing";
    static constexpr const char* kDataLabel = "Data to write";
    using CSmOpAddressData::CSmOpAddressData;
};

class CSmOpWriteProtection4432 final : public CSmOpAddressData<CSmOpWriteProtection4432> {
public:
    static constexpr const char* kClassName = "CSmOpWriteProtection4432";
    static constexpr const char* kAddressLabel = "Address at which to start comparing";
    static constexpr const char* kDataLabel = "Data to compare";
    using CSmOpAddressData::CSmOpAddressData;
};

class CSmOpWriteSecurity4432 final : public CSmOpAddressData<CSmOpWriteSecurity4432> {
public:
    static constexpr const char* kClassName = "CSmOpWriteSecurity4432";
    static constexpr const char* kAddressLabel = "Address at which to start writing";
    static constexpr const char* kDataLabel = "Data to write";
    using CSmOpAddressData::CSmOpAddressData;
};

// Also the byte read of the GPM 896 and 256; its name is the chip's.
// NOLINTNEXTLINE(readability-identifier-naming): the chips it serves are part of its name
class CSmOpReadBytes4432_896_256 final : public CSmOpFields<CSmOpReadBytes4432_896_256> {
public:
    static constexpr const char* kClassName = "CSmOpReadBytes4432_896_256";
    using CSmOpFields::CSmOpFields;

    std::uint32_t GetAddress() const { return m_address; }
    std::uint32_t GetCount() const { return m_count; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_address, "Address from which to read", describe::LowerHex2{});
        v.U8(m_count, "Number of bytes to read", describe::LowerHex2{});
    }

private:
    std::uint32_t m_address = 0;
    std::uint32_t m_count = 0;
};

// NOLINTNEXTLINE(readability-identifier-naming): the chips it serves are part of its name
class CSmOpPresentTransportCode4436_4406 final : public CSmOpThreeBytes<CSmOpPresentTransportCode4436_4406> {
public:
    static constexpr const char* kClassName = "CSmOpPresentTransportCode4436_4406";
    static constexpr const char* kLabels[3] = {"Byte 1 of Transport Code", "Byte 2 of Transport Code",
                                               "Byte 3 of Transport Code"};
    using CSmOpThreeBytes::CSmOpThreeBytes;
};

class CSmOpAuthenticate4436 final : public CSmOpFields<CSmOpAuthenticate4436> {
public:
    static constexpr const char* kClassName = "CSmOpAuthenticate4436";
    using CSmOpFields::CSmOpFields;

    std::uint32_t GetControl() const { return m_control; }
    const CByteArray& GetChallenge() const { return m_challenge; }
    std::uint32_t GetResponseBits() const { return m_responseBits; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_control, "Authentication Control Type",
             describe::Table{kAuthenticationControls, "Unknown type"});
        v.Bytes(m_challenge, LengthPrefix::OneByte, "Challenge Data", describe::HexOrNone{});
        v.U16(m_responseBits, "Number of response bits to accept", describe::LowerHex2{});
    }

private:
    std::uint32_t m_control = 0;
    CByteArray m_challenge;
    std::uint32_t m_responseBits = 0;
};

// The bit operations that take an address: erase with carry, write and read.
// NOLINTNEXTLINE(readability-identifier-naming): the chips it serves are part of its name
class CSmOpAddress4436_4406 final : public CSmOpFields<CSmOpAddress4436_4406> {
public:
    static constexpr const char* kClassName = "CSmOpAddress4436_4406";
    using CSmOpFields::CSmOpFields;

    std::uint32_t GetAddress() const { return m_address; }

    template <class V>
    void Visit(V& v) {
        v.U32(m_address, "Address", describe::LowerHex2{});
    }

private:
    std::uint32_t m_address = 0;
};

// Per chip: code, class, name, and the name a result reports.
inline constexpr OperationRow kSle4418Operations[] = {
    Plain(0x00, "Reset Card"),
    With<CSmOpChgPsc4418>(0x02, "Change PIN", "Change PSC"),
    With<CSmOpVerifyPsc4418>(0x03, "Verify PIN", "Verify PSC"),
    With<CSmOpWriteMemory4418>(0x04, "Write Memory", "Write Memory"),
    With<CSmOpReadMemory4418>(0x07, "Read Memory"),
};
inline constexpr OperationRow kSle4432Operations[] = {
    Plain(0x00, "Reset Card"),
    With<CSmOpVerification4432>(0x02, "Verification", "Verification"),
    With<CSmOpWriteBytes4432_896_256>(0x04, "Write Bytes 4432", "Write Memory"),
    With<CSmOpWriteProtection4432>(0x05, "Write Protection", "Write Protection"),
    With<CSmOpWriteSecurity4432>(0x06, "Write Security", "Write Security"),
    With<CSmOpReadBytes4432_896_256>(0x07, "Read Bytes 4432"),
    Plain(0x08, "Read Protection"),
    Plain(0x09, "Read Security"),
};
inline constexpr OperationRow kSle4436Operations[] = {
    Plain(0x00, "Reset Card"),
    Plain(0x02, "Address Reset", "Address Reset"),
    Plain(0x03, "Increment Address", "Increment Address"),
    With<CSmOpPresentTransportCode4436_4406>(0x04, "Present Transport Code", "Present Transport Code"),
    With<CSmOpAuthenticate4436>(0x05, "Authenticate"),
    With<CSmOpAddress4436_4406>(0x06, "Erase Bit With Carry", "Erase Bit With Carry"),
    Plain(0x07, "Write Bit", "Write Bit"),
    With<CSmOpAddress4436_4406>(0x08, "Write Bit Address", "Write Bit Address"),
    Plain(0x09, "Write Bit Increment Address", "Write Bit Increment Address"),
    Plain(0x0A, "Read Bit", "Read Bit"),
    With<CSmOpAddress4436_4406>(0x0B, "Read Bit Address", "Read Bit Address"),
    Plain(0x0C, "Read Bit Increment Address", "Read Bit Increment Address"),
};
// The SLE 4406 is the 4436 without authentication.
inline constexpr auto kSle4406Operations = RowsWithout(kSle4436Operations, 0x05);

}  // namespace tessaly
