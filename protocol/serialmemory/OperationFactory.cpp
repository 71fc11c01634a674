// The factory joins the chip families' operation rows: the generic ones for every chip type, then
// each chip type's own.
#include "protocol/serialmemory/OperationFactory.h"

#include <span>

#include "protocol/CommandCode.h"
#include "protocol/serialmemory/ChipTypes.h"
#include "protocol/serialmemory/Operations.h"
#include "protocol/serialmemory/SerialMemoryResult.h"

namespace tessaly {
namespace {

struct ChipOperations {
    std::uint8_t chipType;
    std::span<const OperationRow> rows;
};

constexpr ChipOperations kChips[] = {
    {kChipSle4418, kSle4418Operations},   {kChipSle4432, kSle4432Operations},
    {kChipSle4436, kSle4436Operations},   {kChipGpm896, kGpm896Operations},
    {kChipGpm256, kGpm256Operations},     {kChipSt133x, kSt133xOperations},
    {kChipSt14C02C, kSt14C02COperations}, {kChipSle4406, kSle4406Operations},
};

constexpr bool HasCode(std::span<const OperationRow> rows, std::uint8_t code) {
    for (const OperationRow& row : rows) {
        if (row.code == code) {
            return true;
        }
    }
    return false;
}

// Each list names a code once, and no chip lists a generic code (its row would never be used).
constexpr bool RowsAreSound() {
    if (!HasUniqueCodes(kGenericOperations)) {
        return false;
    }
    for (const ChipOperations& chip : kChips) {
        if (!HasUniqueCodes(chip.rows)) {
            return false;
        }
        for (const OperationRow& row : chip.rows) {
            if (HasCode(kGenericOperations, row.code)) {
                return false;
            }
        }
    }
    return true;
}
static_assert(RowsAreSound(), "an operation code is listed twice for one chip type");

const OperationRow* FindRow(std::span<const OperationRow> rows, std::uint32_t code) {
    for (const OperationRow& row : rows) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

// The row for a chip type and code, or null: generic operations first, then the chip's own rows.
// Chip types without rows of their own (0x00, 0xFF and unknown types) have only the generic ones.
const OperationRow* FindOperation(std::uint32_t chipType, std::uint32_t code) {
    if (const OperationRow* generic = FindRow(kGenericOperations, code)) {
        return generic;
    }
    for (const ChipOperations& chip : kChips) {
        if (chip.chipType == chipType) {
            return FindRow(chip.rows, code);
        }
    }
    return nullptr;
}

constexpr const char* kUnknownOperation = "Unknown Operation";

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

const char* OperationName(std::uint32_t chipType, std::uint32_t operationCode) {
    const OperationRow* row = FindOperation(chipType, operationCode);
    return row != nullptr ? row->name : kUnknownOperation;
}

const char* PlainOperationName(std::uint32_t chipType, std::uint32_t operationCode) {
    const OperationRow* row = FindOperation(chipType, operationCode);
    if (row == nullptr || row->create != &MakeOperation<CSerialMemoryOperation>) {
        return kUnknownOperation;
    }
    return row->name;
}

const char* ResultOperationName(std::uint32_t chipType, std::uint32_t operationCode) {
    const OperationRow* row = FindOperation(chipType, operationCode);
    if (row == nullptr || row->resultName == nullptr) {
        return kUnknownOperation;
    }
    return row->resultName;
}

}  // namespace tessaly
