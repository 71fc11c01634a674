#include "platform/SystemInfo.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace tessaly::platform {

#ifdef _WIN32

std::string TemporaryFolder() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) {
        return "C:\\";
    }
    return std::string(buffer, length);
}

#else

std::string TemporaryFolder() {
    const char* dir = std::getenv("TMPDIR");
    std::string folder = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
    if (folder.back() != '/') {
        folder.push_back('/');
    }
    return folder;
}

#endif

}  // namespace tessaly::platform
