// Makes the operation object for a chip type from the operation bytes of a command.
#pragma once

#include <cstdint>
#include <memory>

#include "protocol/serialmemory/SerialMemoryOperation.h"
#include "protocol/BinaryString.h"

namespace tessaly {

// Reads the operation code and the 16-bit parameter length (dropped: each operation reads its own
// layout), then the parameters. Returns null when the chip type has no operation with that code;
// nothing after the length has been read then. Missing bytes throw CInBinaryStringException.
std::unique_ptr<CSerialMemoryOperation> CreateOperation(std::uint32_t chipType, CInBinaryString& body,
                                                        bool extended);

}  // namespace tessaly
