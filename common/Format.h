// printf-style formatting into a std::string. The format is always a literal of the caller's:
// user text is passed as an argument, never as the format.
#pragma once

#include <cstdio>
#include <string>

namespace tessaly {

#if defined(__GNUC__) || defined(__clang__)
#define TESSALY_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TESSALY_PRINTF_FORMAT(fmt, args)
#endif

std::string FormatText(const char* format, ...) TESSALY_PRINTF_FORMAT(1, 2);

}  // namespace tessaly
