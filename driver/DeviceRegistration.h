// The four device-name exchanges: each loads the settings, opens its own connection to the
// Rudari Zovuravirero with the address "[CTRLR]", sends one request, judges the one answer by its
// command code, closes and returns the method's Status. A malformed answer is logged and gives
// -1003.
#pragma once

#include <cstdint>
#include <optional>

#include "common/Types.h"

namespace tessaly {

// Success also writes the settings back with `deviceName` as the printer name.
std::int32_t RegisterDeviceExchange(const CString& deviceName, bool overwrite);
std::int32_t RegisterDeviceByNameExchange(const CString& deviceName, const CString& previousName);
// `deviceName` is set only on success.
std::int32_t RequestDeviceNameExchange(std::optional<CString>& deviceName);
std::int32_t SetDeviceNameExchange(const CString& deviceName, std::optional<CString>& answeredName);

}  // namespace tessaly
