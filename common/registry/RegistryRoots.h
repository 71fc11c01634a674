// The names of the five predefined registry keys as they start a registry path.
#pragma once

#include <optional>

#include "common/Types.h"
#include "platform/RegistryStore.h"

namespace tessaly {

// The root that `name` spells ("HKEY_LOCAL_MACHINE" ..., letter case ignored), or none.
std::optional<platform::RegistryRoot> RegistryRootFromName(const CString& name);
// "HKEY_LOCAL_MACHINE" ...
const char* RegistryRootName(platform::RegistryRoot root);

}  // namespace tessaly
