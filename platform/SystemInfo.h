// Small facts about the computer the program runs on.
#pragma once

#include <string>

namespace tessaly::platform {

// The system's temporary folder, ending with the platform's path separator.
std::string TemporaryFolder();
// This computer's host name, or the empty text when it cannot be read.
std::string HostName();

}  // namespace tessaly::platform
