#include "platform/SystemInfo.h"

#include "platform/WindowsBase.h"

namespace tessaly::platform {
namespace {

LocalTime FromTm(const std::tm& t) {
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

}  // namespace

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

}  // namespace tessaly::platform
