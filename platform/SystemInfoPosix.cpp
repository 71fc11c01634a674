#include "platform/SystemInfo.h"

#include <time.h>

#include <cstdlib>

namespace tessaly::platform {
namespace {

LocalTime FromTm(const std::tm& t) {
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

}  // namespace

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

}  // namespace tessaly::platform
