// The operation table: which class each chip type and operation code makes. Operations without
// parameters are the base class; their names live in the same rows.
#include "protocol/serialmemory/OperationFactory.h"

#include <memory>
#include <span>

#include "protocol/serialmemory/ChipTypes.h"
#include "protocol/serialmemory/Operations.h"

namespace tessaly {
namespace {

using OperationCreator = std::unique_ptr<CSerialMemoryOperation> (*)(std::uint32_t chipType,
                                                                     std::uint8_t code, CInBinaryString& body,
                                                                     bool extended);

template <class T>
std::unique_ptr<CSerialMemoryOperation> Make(std::uint32_t chipType, std::uint8_t code, CInBinaryString& body,
                                             bool extended) {
    return std::make_unique<T>(chipType, code, body, extended);
}

std::unique_ptr<CSerialMemoryOperation> MakePlain(std::uint32_t chipType, std::uint8_t code,
                                                  CInBinaryString& /*body*/, bool extended) {
    return std::make_unique<CSerialMemoryOperation>(chipType, code, extended);
}

struct OperationRow {
    std::uint8_t code;
    OperationCreator create;
    const char* plainName;  // the name of an operation without parameters, else null
};
constexpr OperationRow Plain(std::uint8_t code, const char* name) {
    return {code, &MakePlain, name};
}
template <class T>
constexpr OperationRow With(std::uint8_t code) {
    return {code, &Make<T>, nullptr};
}

struct ChipRows {
    std::uint8_t chipType;
    std::uint8_t highestCode;
    std::span<const OperationRow> rows;
};

// Any chip type, checked first.
constexpr OperationRow kGenericRows[] = {
    Plain(0x01, "Eject Card"),     With<CSmOpEnableVPP>(0x0D),  Plain(0x0E, "Disable Vpp"),
    With<CSmOpSetPad>(0x0F),       With<CSmOpReadPad>(0x10),    With<CSmOpEnableRxTx>(0x11),
    With<CSmOpSetEtu>(0x13),       With<CSmOpDelayMsec>(0x16),  With<CSmOpDelayTime>(0x17),
    With<CSmOpProgramClock>(0x18), With<CSmOpProgramVcc>(0x19), With<CSmOpProgramVpp>(0x1A),
};

constexpr OperationRow kSle4418Rows[] = {
    Plain(0x00, "Reset Card"),        With<CSmOpChgPsc4418>(0x02),     With<CSmOpVerifyPsc4418>(0x03),
    With<CSmOpWriteMemory4418>(0x04), With<CSmOpReadMemory4418>(0x07),
};
constexpr OperationRow kSle4432Rows[] = {
    Plain(0x00, "Reset Card"),
    With<CSmOpVerification4432>(0x02),
    With<CSmOpWriteBytes4432_896_256>(0x04),
    With<CSmOpWriteProtection4432>(0x05),
    With<CSmOpWriteSecurity4432>(0x06),
    With<CSmOpReadBytes4432_896_256>(0x07),
    Plain(0x08, "Read Protection"),
    Plain(0x09, "Read Security"),
};
constexpr OperationRow kSle4436Rows[] = {
    Plain(0x00, "Reset Card"),
    Plain(0x02, "Address Reset"),
    Plain(0x03, "Increment Address"),
    With<CSmOpPresentTransportCode4436_4406>(0x04),
    With<CSmOpAuthenticate4436>(0x05),
    With<CSmOpAddress4436_4406>(0x06),
    Plain(0x07, "Write Bit"),
    With<CSmOpAddress4436_4406>(0x08),
    Plain(0x09, "Write Bit Increment Address"),
    Plain(0x0A, "Read Bit"),
    With<CSmOpAddress4436_4406>(0x0B),
    Plain(0x0C, "Read Bit Increment Address"),
};
// The SLE 4406 is the 4436 without authentication.
constexpr OperationRow kSle4406Rows[] = {
    Plain(0x00, "Reset Card"),
    Plain(0x02, "Address Reset"),
    Plain(0x03, "Increment Address"),
    With<CSmOpPresentTransportCode4436_4406>(0x04),
    With<CSmOpAddress4436_4406>(0x06),
    Plain(0x07, "Write Bit"),
    With<CSmOpAddress4436_4406>(0x08),
    Plain(0x09, "Write Bit Increment Address"),
    Plain(0x0A, "Read Bit"),
    With<CSmOpAddress4436_4406>(0x0B),
    Plain(0x0C, "Read Bit Increment Address"),
};
constexpr OperationRow kGpm896Rows[] = {
    Plain(0x00, "Reset Card"),
    Plain(0x02, "Address Reset"),
    Plain(0x03, "Increment Address"),
    With<CSmOpPresentCode896>(0x04),
    With<CSmOpEraseWords896>(0x05),
    Plain(0x06, "Write Bit 200MS"),
    With<CSmOpWriteBytes4432_896_256>(0x07),
    With<CSmOpReadBytes4432_896_256>(0x08),
    With<CSmOpSetWriteDelay896>(0x0B),
};
constexpr OperationRow kGpm256Rows[] = {
    Plain(0x00, "Reset Card"),
    With<CSmOpIncToAddr256>(0x02),
    With<CSmOpWriteBytes4432_896_256>(0x03),
    With<CSmOpWriteByte256>(0x04),
    With<CSmOpReadBytes4432_896_256>(0x05),
    Plain(0x06, "Read Byte"),
    Plain(0x07, "Initialize"),
};
constexpr OperationRow kSt133xRows[] = {
    With<CSmOpResetST133X>(0x00),       With<CSmOpAddrResetST133X>(0x02),
    With<CSmOpIncAddrST133X>(0x03),     With<CSmOpPresentTransportCodeST133X>(0x04),
    With<CSmOpProgramBitST133X>(0x05),  Plain(0x06, "Read Bit"),
    With<CSmOpBlowCfgFuseST133X>(0x09), With<CSmOpCheckCfgFuseST133X>(0x0A),
};
constexpr OperationRow kSt14C02CRows[] = {
    Plain(0x00, "Reset Card"),
    With<CSmOpWriteByteST14C02C>(0x02),
    With<CSmOpMultiByteWriteST14C02C>(0x03),
    With<CSmOpPageWriteST14C02C>(0x04),
    With<CSmOpReadBytesST14C02C>(0x05),
    Plain(0x06, "Read Byte"),
    With<CSmOpReadByteAddrST14C02C>(0x07),
    With<CSmOpReadBytesAddrST14C02C>(0x08),
};

constexpr ChipRows kChipRows[] = {
    {kChipSle4418, 0x07, kSle4418Rows},   {kChipSle4432, 0x09, kSle4432Rows},
    {kChipSle4436, 0x0C, kSle4436Rows},   {kChipGpm896, 0x0B, kGpm896Rows},
    {kChipGpm256, 0x07, kGpm256Rows},     {kChipSt133x, 0x0A, kSt133xRows},
    {kChipSt14C02C, 0x08, kSt14C02CRows}, {kChipSle4406, 0x0C, kSle4406Rows},
};

const OperationRow* FindRow(std::span<const OperationRow> rows, std::uint32_t code) {
    for (const OperationRow& row : rows) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

// The row for a chip type and code, or null: generic operations first, then the chip's own rows up to
// its highest code. Chip types outside 0x81-0x88 (0x00 and 0xFF included) have no rows of their own.
const OperationRow* FindOperation(std::uint32_t chipType, std::uint32_t code) {
    if (const OperationRow* generic = FindRow(kGenericRows, code)) {
        return generic;
    }
    if (chipType < kChipSle4418 || chipType > kChipSle4406) {
        return nullptr;
    }
    for (const ChipRows& chip : kChipRows) {
        if (chip.chipType == chipType) {
            return code > chip.highestCode ? nullptr : FindRow(chip.rows, code);
        }
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<CSerialMemoryOperation> CreateOperation(std::uint32_t chipType, CInBinaryString& body,
                                                        bool extended) {
    const std::uint8_t code = body.ReadByte();
    (void)body.ReadWord();  // each operation knows its own layout
    const OperationRow* row = FindOperation(chipType, code);
    if (row == nullptr) {
        return nullptr;
    }
    return row->create(chipType, code, body, extended);
}

const char* PlainOperationName(std::uint32_t chipType, std::uint32_t operationCode) {
    const OperationRow* row = FindOperation(chipType, operationCode);
    if (row == nullptr || row->plainName == nullptr) {
        return "Unknown Operation";
    }
    return row->plainName;
}

}  // namespace tessaly
