// Which class each serial-memory sub-command code makes.
#include "protocol/serialmemory/SerialMemoryCommands.h"
#include "protocol/ResponseRegistry.h"

namespace tessaly {
namespace {

constexpr ResponseEntry kSerialMemorySubCommands[] = {
    {0x0D, &MakeResponse<CRspSerialMemoryProcess>},
    {0x0E, &MakeResponse<CRspBulkSerialProcess>},
};

}  // namespace

std::span<const ResponseEntry> SerialMemorySubCommands() {
    return kSerialMemorySubCommands;
}

}  // namespace tessaly
