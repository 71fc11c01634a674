// Thin owning wrappers over the Windows registry's ANSI functions, for the Windows store.
#pragma once

#include "platform/WindowsBase.h"

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/RegistryStore.h"

namespace tessaly::platform::win32 {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using KeyHandle = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

HKEY RootKey(RegistryRoot root);
RegistryStatus StatusOf(LONG result);

// Null when the key is missing or cannot be opened; `result` gets the registry's answer.
KeyHandle OpenPath(RegistryRoot root, const std::string& path, REGSAM access, LONG* result = nullptr);
// Opens for reading and writing, making missing keys.
KeyHandle CreatePath(RegistryRoot root, const std::string& path);
// The key and everything below it.
RegistryStatus DeletePath(RegistryRoot root, const std::string& path);

bool ReadValue(HKEY key, const std::string& name, RegistryValue& value);
bool WriteValue(HKEY key, const std::string& name, const RegistryValue& value);
bool ListSubKeys(HKEY key, std::vector<std::string>& names);
bool ListValues(HKEY key, std::vector<NamedRegistryValue>& values);

}  // namespace tessaly::platform::win32
