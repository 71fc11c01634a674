// The driver's records in the process log: module "Quorlin", its revision text and its main source
// file, with the line of the code that writes the record.
#pragma once

#include <cstdint>

#include "common/Types.h"

namespace tessaly {

inline constexpr const char* kLogModule = "Quorlin";
inline constexpr const char* kLogRevision = "$Revision: 31 $";
inline constexpr const char* kLogSource = "Halcyra.cpp";

// An informational record ("M"); `line` is the line of the code that writes it (__LINE__).
void LogInfo(int line, const CString& message);
// An error record ("E").
void LogError(int line, const CString& message);

// A 32-bit result code as the log lines show it with "%ld": a signed 32-bit number, as on the
// system the driver was first written for (PC/SC codes print negative).
inline long SignedResult(std::uint32_t code) {
    return static_cast<long>(static_cast<std::int32_t>(code));
}

}  // namespace tessaly
