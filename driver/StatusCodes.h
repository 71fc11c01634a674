// The `Status` values of the driver's methods besides the host's own accept codes, and the
// methods' own results.
#pragma once

#include <cstdint>

namespace tessaly {

namespace driver_status {
inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kHostUnreachable = -1000;
inline constexpr std::int32_t kReaderNotConnected = -1002;
inline constexpr std::int32_t kUnexpectedAnswer = -1003;
inline constexpr std::int32_t kAlreadyRegistered = -1005;
inline constexpr std::int32_t kNameNotFound = -1006;
inline constexpr std::int32_t kResendExceeded = 212;
}  // namespace driver_status

namespace method_result {
inline constexpr std::int32_t kOk = 0;
// An input array that cannot be read.
inline constexpr std::int32_t kBadArray = 87;
}  // namespace method_result

}  // namespace tessaly
