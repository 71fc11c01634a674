// One registry operation by complete path, with the fallbacks the settings code relies on.
#pragma once

#include <cstdint>

#include "common/Types.h"

namespace tessaly {

// The REG_DWORD value at `path`, or 0 when it is missing or of another type.
std::uint32_t ReadRegistryDWord(const CString& path);
// The text at `path`, or the empty text when it cannot be read.
CString ReadRegistryString(const CString& path);
// The text of the REG_SZ or REG_EXPAND_SZ value at `path` up to its first zero byte, or the empty
// text when it is missing or of another type: for values that name files and folders.
CString ReadRegistryText(const CString& path);
// Keys on the way are created.
bool WriteRegistryDWord(const CString& path, std::uint32_t value);
bool WriteRegistryString(const CString& path, const CString& text, bool expandable);
// `path` names a key; `names` gets its sub-keys.
bool ReadRegistrySubKeys(const CString& path, CStringArray& names);
// `path` names a key, deleted with everything below it.
bool DeleteRegistryKey(const CString& path);

}  // namespace tessaly
