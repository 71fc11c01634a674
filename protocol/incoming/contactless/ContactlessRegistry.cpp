// Which class each contactless, operator-message, end-of-pass-through, key and device code makes.
#include "protocol/ResponseRegistry.h"

namespace tessaly {

std::span<const ResponseEntry> ContactlessSubCommands() { return {}; }
std::span<const ResponseEntry> KeyAndDeviceCommands() { return {}; }

}  // namespace tessaly
