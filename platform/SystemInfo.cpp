#include "platform/SystemInfo.h"

#ifdef _WIN32
#include "platform/WindowsBase.h"
#else
#include <time.h>

#include <cstdlib>
#endif

namespace tessaly::platform {
namespace {

LocalTime FromTm(const std::tm& t) {
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

}  // namespace

#ifdef _WIN32

char PathSeparator() {
    return '\\';
}

LocalTime ToLocalTime(std::time_t moment) {
    std::tm t{};
    if (localtime_s(&t, &moment) != 0) {
        return {};
    }
    return FromTm(t);
}

std::string TemporaryFolder() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) {
        return "C:\\";
    }
    return std::string(buffer, length);
}

#else

char PathSeparator() {
    return '/';
}

LocalTime ToLocalTime(std::time_t moment) {
    std::tm t{};
    if (localtime_r(&moment, &t) == nullptr) {
        return {};
    }
    return FromTm(t);
}

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
