#include "platform/RegistryStoreWin32Api.h"

#include <shlwapi.h>

#include <limits>

namespace tessaly::platform::win32 {

HKEY RootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::Users:
            return HKEY_USERS;
        case RegistryRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
    }
    return nullptr;
}

RegistryStatus StatusOf(LONG result) {
    if (result == ERROR_SUCCESS) {
        return RegistryStatus::Ok;
    }
    return result == ERROR_FILE_NOT_FOUND ? RegistryStatus::NotFound : RegistryStatus::Failed;
}

KeyHandle OpenPath(RegistryRoot root, const std::string& path, REGSAM access, LONG* result) {
    HKEY raw = nullptr;
    const LONG answer = RegOpenKeyExA(RootKey(root), path.c_str(), 0, access, &raw);
    if (result != nullptr) {
        *result = answer;
    }
    return answer == ERROR_SUCCESS ? KeyHandle(raw) : KeyHandle();
}

KeyHandle CreatePath(RegistryRoot root, const std::string& path) {
    HKEY raw = nullptr;
    DWORD disposition = 0;
    const LONG answer = RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_READ | KEY_WRITE, nullptr, &raw, &disposition);
    return answer == ERROR_SUCCESS ? KeyHandle(raw) : KeyHandle();
}

RegistryStatus DeletePath(RegistryRoot root, const std::string& path) {
    // Never the whole root: an empty path would name it.
    if (path.find_first_not_of('\\') == std::string::npos) {
        return RegistryStatus::Failed;
    }
    return StatusOf(static_cast<LONG>(SHDeleteKeyA(RootKey(root), path.c_str())));
}

bool ReadValue(HKEY key, const std::string& name, RegistryValue& value) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    std::vector<std::uint8_t> data;
    // The value may grow between the size query and the read; ask again then.
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        data.resize(size);
        DWORD got = size;
        result =
            RegQueryValueExA(key, name.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &got);
        if (result == ERROR_SUCCESS) {
            // The size query may overstate a text; keep what the read returned.
            data.resize(got < data.size() ? got : data.size());
            value.type = type;
            value.data = std::move(data);
            return true;
        }
        size = got;
    }
    return false;
}

bool WriteValue(HKEY key, const std::string& name, const RegistryValue& value) {
    if (value.data.size() > std::numeric_limits<DWORD>::max()) {
        return false;
    }
    return RegSetValueExA(key, name.c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                          static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

bool ListSubKeys(HKEY key, std::vector<std::string>& names) {
    names.clear();
    DWORD longest = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<char> buffer(static_cast<std::size_t>(longest) + 1);
    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG result =
            RegEnumKeyExA(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA) {
            // A longer name appeared since the size query: this index again, with more room.
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (result == ERROR_NO_MORE_ITEMS) {
            return true;
        }
        if (result != ERROR_SUCCESS) {
            names.clear();
            return false;
        }
        names.emplace_back(buffer.data(), length);
        ++index;
    }
}

bool ListValues(HKEY key, std::vector<NamedRegistryValue>& values) {
    values.clear();
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                         &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<char> name(static_cast<std::size_t>(longestName) + 1);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(longestData) + 1);
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG result =
            RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
        if (result == ERROR_MORE_DATA) {
            name.resize(name.size() * 2);
            data.resize(data.size() * 2);
            continue;
        }
        if (result == ERROR_NO_MORE_ITEMS) {
            return true;
        }
        if (result != ERROR_SUCCESS) {
            values.clear();
            return false;
        }
        values.push_back({std::string(name.data(), nameLength),
                          {type, std::vector<std::uint8_t>(data.begin(), data.begin() + dataLength)}});
        ++index;
    }
}

}  // namespace tessaly::platform::win32
