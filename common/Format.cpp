#include "common/Format.h"

#include <array>
#include <cstdarg>

namespace tessaly {

std::string FormatText(const char* format, ...) {
    // Most texts are short: one pass into a stack buffer, a second only for long ones.
    std::array<char, 256> small{};
    va_list args;
    va_start(args, format);
    const int needed = std::vsnprintf(small.data(), small.size(), format, args);
    va_end(args);
    std::string out;
    if (needed > 0 && static_cast<std::size_t>(needed) < small.size()) {
        out.assign(small.data(), static_cast<std::size_t>(needed));
    } else if (needed > 0) {
        out.resize(static_cast<std::size_t>(needed));
        // The terminator lands on the string's own terminating zero.
        va_start(args, format);
        std::vsnprintf(out.data(), out.size() + 1, format, args);
        va_end(args);
    }
    return out;
}

}  // namespace tessaly
