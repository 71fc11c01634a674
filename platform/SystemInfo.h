// Where the computer keeps temporary files.
#pragma once

#include <ctime>
#include <string>

namespace tessaly::platform {

// The character between folder names: '\\' on Windows, '/' elsewhere.
char PathSeparator();

// The local calendar time of a moment, thread-safe (the C library's localtime shares one buffer).
struct LocalTime {
    int year = 0;   // e.g. 2026
    int month = 0;  // 1 to 12
    int day = 0;
    int hour = 0;  // 0 to 23
    int minute = 0;
    int second = 0;
};
LocalTime ToLocalTime(std::time_t moment);

// The system's temporary folder, ending with the platform's path separator.
std::string TemporaryFolder();

}  // namespace tessaly::platform
