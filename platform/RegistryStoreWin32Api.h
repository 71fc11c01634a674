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

// The registry view of a key: HKEY_LOCAL_MACHINE settings live in the 32-bit view on every
// bitness, so a 64-bit tool, a 32-bit driver inside a 32-bit host and an earlier 32-bit installation
// all see one set of values. Class registrations (SOFTWARE\Classes) stay in the process's own
// view: an in-process server registers where hosts of its own bitness look for it. Every open of
// that key, relative ones included, carries this flag.
REGSAM ViewOf(RegistryRoot root, const std::string& path);

// Null when the key is missing or cannot be opened; `result` gets the registry's answer.
KeyHandle OpenPath(RegistryRoot root, const std::string& path, REGSAM access, LONG* result = nullptr);
// Opens for reading and writing, making missing keys.
KeyHandle CreatePath(RegistryRoot root, const std::string& path);
// The key and everything below it, in its view.
RegistryStatus DeletePath(RegistryRoot root, const std::string& path);

bool ReadValue(HKEY key, const std::string& name, RegistryValue& value);
bool WriteValue(HKEY key, const std::string& name, const RegistryValue& value);
bool ListSubKeys(HKEY key, std::vector<std::string>& names);
bool ListValues(HKEY key, std::vector<NamedRegistryValue>& values);

}  // namespace tessaly::platform::win32
