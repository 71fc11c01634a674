// The factory's tables: which class a command or pass-through sub-command code makes. Each family of
// incoming classes publishes its own table; the factory joins them.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "protocol/ObjCommResponse.h"

namespace tessaly {

// Makes the object from the body. `longForm` is used only by the health check and error replies;
// `transactionNumber` only by the two end-of-pass-through classes that share sub-code 0xFF.
struct ResponseContext {
    bool extended;
    bool longForm;
    std::uint32_t transactionNumber;
};
using ResponseCreator = std::unique_ptr<CObjCommResponse> (*)(CInBinaryString& body,
                                                              const ResponseContext& context);

struct ResponseEntry {
    std::uint8_t code;
    ResponseCreator create;
};

template <class T>
std::unique_ptr<CObjCommResponse> MakeResponse(CInBinaryString& body, const ResponseContext& context) {
    return std::make_unique<T>(body, context.extended);
}

// Pass-through sub-commands (command 0x0A), per family.
std::span<const ResponseEntry> ContactSubCommands();       // sub-codes 0x01-0x17, 0x21, 0x22
std::span<const ResponseEntry> ContactlessSubCommands();   // sub-codes 0x20, 0x30-0x3A, 0xFF
std::span<const ResponseEntry> SerialMemorySubCommands();  // sub-codes 0x0D, 0x0E
// Commands other than 0x0A (0x01, 0x03-0x09, 0x99, 0xFF).
std::span<const ResponseEntry> ContactCommands();       // 0x99, 0xFF
std::span<const ResponseEntry> KeyAndDeviceCommands();  // 0x01, 0x03-0x09

}  // namespace tessaly
