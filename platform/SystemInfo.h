// Where the computer keeps temporary files.
#pragma once

#include <string>

namespace tessaly::platform {

// The system's temporary folder, ending with the platform's path separator.
std::string TemporaryFolder();

}  // namespace tessaly::platform
