// One registry value or key named by a complete path such as
// "HKEY_LOCAL_MACHINE\SOFTWARE\Tessaly\Halcyra\ReaderId". Made on the stack for one operation.
// Every operation answers false on any failure; nothing is thrown.
#pragma once

#include <cstdint>
#include <optional>

#include "common/Types.h"
#include "platform/RegistryStore.h"

namespace tessaly {

class CRegistryPath {
public:
    // `namesKey` false: the last element is a value name; true: the whole path is a key.
    CRegistryPath(const CString& path, bool namesKey);
    ~CRegistryPath();
    CRegistryPath(const CRegistryPath&) = delete;
    CRegistryPath& operator=(const CRegistryPath&) = delete;

    // True only for a REG_DWORD value.
    bool GetDWord(std::uint32_t& value) { return GetDWord(ValueName(), value); }
    // Any type; the text is the stored data without its terminator.
    bool GetString(CString& text) { return GetString(ValueName(), text); }
    // True only for a REG_SZ or REG_EXPAND_SZ value; the text ends at its first zero byte.
    bool GetText(CString& text) { return GetText(ValueName(), text); }
    // The same for the value `name` of the key: several values of one key are read in one
    // registry session.
    bool GetDWord(const CString& name, std::uint32_t& value);
    bool GetString(const CString& name, CString& text);
    bool GetText(const CString& name, CString& text);
    bool SetDWord(std::uint32_t value);
    // REG_EXPAND_SZ when `expandable`, REG_SZ otherwise.
    bool SetString(const CString& text, bool expandable);
    // The sub-key names of the key, in the registry's listing order.
    bool EnumSubKeys(CStringArray& names);
    // The key with everything below it. A root is never deleted.
    bool DeleteKey();

    bool OpenKey(platform::RegistryAccess access);
    // Opens the key for writing, creating it and the keys above it when missing.
    bool CreateKey();
    void CloseKey();

    std::optional<platform::RegistryRoot> Root() const { return m_root; }
    const CString& KeyPath() const { return m_keyPath; }
    const CStringArray& Elements() const { return m_elements; }
    // The last element for a value path; the empty text (the default value) otherwise.
    CString ValueName() const;

private:
    std::optional<platform::RegistryRoot> m_root;
    CString m_keyPath;
    CStringArray m_elements;
    bool m_namesKey;
    platform::CRegistryStore m_store;
    platform::CRegistryKey m_openKey;  // after m_store: closed before the store goes
};

}  // namespace tessaly
