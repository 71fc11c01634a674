// printf-style formatting into a std::string. The format is always a literal of the caller's:
// user text is passed as an argument, never as the format.
#pragma once

#include <cstdio>
#include <string>

namespace tessaly {

// mingw-w64 checks formats against its own C99 printf (%zu, %lld) when that is the one linked.
#if defined(__MINGW_PRINTF_FORMAT)
#define TESSALY_PRINTF_FORMAT(fmt, args) __attribute__((format(__MINGW_PRINTF_FORMAT, fmt, args)))
#elif defined(__GNUC__) || defined(__clang__)
#define TESSALY_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TESSALY_PRINTF_FORMAT(fmt, args)
#endif

std::string FormatText(const char* format, ...) TESSALY_PRINTF_FORMAT(1, 2);

}  // namespace tessaly
