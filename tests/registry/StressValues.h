// The values that the concurrency test's processes write: long texts made of one repeated stamp,
// so that a mix of two writes shows.
#pragma once

#include <string>

namespace tessaly::test {

inline constexpr const char* kStressSharedPath = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Stress\\Shared";
inline constexpr std::size_t kStressValueLength = 6000;

inline std::string StressValuePath(const std::string& writer, int index) {
    return "HKEY_LOCAL_MACHINE\\SOFTWARE\\Stress\\" + writer + "\\V" + std::to_string(index);
}

inline std::string StressValue(const std::string& writer, int index) {
    const std::string stamp = "<" + writer + ":" + std::to_string(index) + ">";
    std::string value;
    while (value.size() + stamp.size() <= kStressValueLength) {
        value += stamp;
    }
    return value;
}

inline bool IsWholeStressValue(const std::string& value) {
    const std::size_t end = value.find('>');
    if (end == std::string::npos) {
        return false;
    }
    const std::string stamp = value.substr(0, end + 1);
    std::string expected;
    while (expected.size() + stamp.size() <= kStressValueLength) {
        expected += stamp;
    }
    return value == expected;
}

}  // namespace tessaly::test
