#include "platform/RegistryStoreWin32Api.h"

#include <algorithm>
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

REGSAM ViewOf(RegistryRoot root, const std::string& path) {
    if (root != RegistryRoot::LocalMachine) {
        return 0;
    }
    // Leading and doubled separators are skipped as the registry skips them.
    std::string folded;
    for (const char c : path) {
        if (c == '\\' && (folded.empty() || folded.back() == '\\')) {
            continue;
        }
        folded.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
    constexpr const char* kClasses = "SOFTWARE\\CLASSES";
    const std::size_t length = std::char_traits<char>::length(kClasses);
    const bool classes =
        folded.compare(0, length, kClasses) == 0 && (folded.size() == length || folded[length] == '\\');
    return classes ? 0 : KEY_WOW64_32KEY;
}

KeyHandle OpenPath(RegistryRoot root, const std::string& path, REGSAM access, LONG* result) {
    HKEY raw = nullptr;
    const LONG answer = RegOpenKeyExA(RootKey(root), path.c_str(), 0, access | ViewOf(root, path), &raw);
    if (result != nullptr) {
        *result = answer;
    }
    return answer == ERROR_SUCCESS ? KeyHandle(raw) : KeyHandle();
}

KeyHandle CreatePath(RegistryRoot root, const std::string& path) {
    HKEY raw = nullptr;
    DWORD disposition = 0;
    const LONG answer =
        RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE | ViewOf(root, path), nullptr, &raw, &disposition);
    return answer == ERROR_SUCCESS ? KeyHandle(raw) : KeyHandle();
}

RegistryStatus DeletePath(RegistryRoot root, const std::string& path) {
    // Never the whole root: an empty path would name it.
    if (path.find_first_not_of('\\') == std::string::npos) {
        return RegistryStatus::Failed;
    }
    // The tree below the key, then the key itself from its parent, both in the key's view (the
    // shell's recursive delete knows only the process's own view).
    const REGSAM view = ViewOf(root, path);
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '\\') {
        trimmed.pop_back();
    }
    const std::size_t split = trimmed.find_last_of('\\');
    const std::string parentPath = split == std::string::npos ? std::string() : trimmed.substr(0, split);
    const std::string name = split == std::string::npos ? trimmed : trimmed.substr(split + 1);
    HKEY rawParent = nullptr;
    LONG result =
        RegOpenKeyExA(RootKey(root), parentPath.c_str(), 0, KEY_READ | KEY_WRITE | view, &rawParent);
    if (result != ERROR_SUCCESS) {
        return StatusOf(result);
    }
    const KeyHandle parent(rawParent);
    HKEY rawKey = nullptr;
    result = RegOpenKeyExA(parent.get(), name.c_str(), 0, KEY_READ | KEY_WRITE | DELETE | view, &rawKey);
    if (result != ERROR_SUCCESS) {
        return StatusOf(result);
    }
    {
        const KeyHandle key(rawKey);
        result = RegDeleteTreeA(key.get(), nullptr);
        if (result != ERROR_SUCCESS) {
            return StatusOf(result);
        }
    }
    return StatusOf(RegDeleteKeyExA(parent.get(), name.c_str(), view, 0));
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
