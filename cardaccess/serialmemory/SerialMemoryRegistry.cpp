// Which class each serial-memory sub-command code makes.
#include "protocol/ResponseRegistry.h"

namespace tessaly {

std::span<const ResponseEntry> SerialMemorySubCommands() {
    return {};
}

}  // namespace tessaly
