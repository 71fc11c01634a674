#include "common/registry/RegistryPath.h"

#include "common/registry/RegistryRoots.h"
#include "common/registry/SplitText.h"

namespace tessaly {

using platform::RegistryAccess;
using platform::RegistryStatus;
using platform::RegistryValue;

CRegistryPath::CRegistryPath(const CString& path, bool namesKey) : m_namesKey(namesKey) {
    SplitText(m_elements, path, '\\');
    if (m_elements.empty()) {
        return;
    }
    m_root = RegistryRootFromName(m_elements.front());
    const std::size_t m = namesKey ? m_elements.size() : m_elements.size() - 1;
    if (m < 2) {
        return;
    }
    m_keyPath = m_elements[1];
    for (std::size_t i = 2; i < m; ++i) {
        m_keyPath += '\\';
        m_keyPath += m_elements[i];
    }
}

CRegistryPath::~CRegistryPath() {
    CloseKey();
}

CString CRegistryPath::ValueName() const {
    if (m_namesKey || m_elements.empty()) {
        return {};
    }
    return m_elements.back();
}

bool CRegistryPath::OpenKey(RegistryAccess access) {
    CloseKey();
    if (!m_root) {
        return false;
    }
    m_openKey = m_store.OpenKey(*m_root, m_keyPath, access);
    return m_openKey.IsOpen();
}

bool CRegistryPath::CreateKey() {
    CloseKey();
    if (!m_root) {
        return false;
    }
    m_openKey = m_store.CreateKey(*m_root, m_keyPath);
    return m_openKey.IsOpen();
}

void CRegistryPath::CloseKey() {
    m_openKey = platform::CRegistryKey();
}

bool CRegistryPath::GetDWord(const CString& name, std::uint32_t& value) {
    RegistryValue stored;
    if (!OpenKey(RegistryAccess::Read) || !m_openKey.QueryValue(name, stored) ||
        stored.type != platform::kRegDword || stored.data.size() != 4) {
        return false;
    }
    value = static_cast<std::uint32_t>(stored.data[0]) | (static_cast<std::uint32_t>(stored.data[1]) << 8) |
            (static_cast<std::uint32_t>(stored.data[2]) << 16) |
            (static_cast<std::uint32_t>(stored.data[3]) << 24);
    return true;
}

bool CRegistryPath::GetString(const CString& name, CString& text) {
    RegistryValue stored;
    if (!OpenKey(RegistryAccess::Read) || !m_openKey.QueryValue(name, stored)) {
        return false;
    }
    // Only a terminator is dropped: a text stored without one keeps its last character.
    std::size_t length = stored.data.size();
    if (length > 0 && stored.data[length - 1] == 0) {
        --length;
    }
    text.assign(reinterpret_cast<const char*>(stored.data.data()), length);
    return true;
}

bool CRegistryPath::GetText(const CString& name, CString& text) {
    RegistryValue stored;
    if (!OpenKey(RegistryAccess::Read) || !m_openKey.QueryValue(name, stored) ||
        (stored.type != platform::kRegSz && stored.type != platform::kRegExpandSz)) {
        return false;
    }
    std::size_t length = 0;
    while (length < stored.data.size() && stored.data[length] != 0) {
        ++length;
    }
    text.assign(reinterpret_cast<const char*>(stored.data.data()), length);
    return true;
}

bool CRegistryPath::SetDWord(std::uint32_t value) {
    if (!CreateKey()) {
        return false;
    }
    const RegistryValue stored{
        platform::kRegDword,
        {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
         static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
    return m_openKey.SetValue(ValueName(), stored);
}

bool CRegistryPath::SetString(const CString& text, bool expandable) {
    if (!CreateKey()) {
        return false;
    }
    RegistryValue stored{expandable ? platform::kRegExpandSz : platform::kRegSz, {text.begin(), text.end()}};
    stored.data.push_back(0);
    return m_openKey.SetValue(ValueName(), stored);
}

bool CRegistryPath::EnumSubKeys(CStringArray& names) {
    names.clear();
    return OpenKey(RegistryAccess::Read) && m_openKey.EnumSubKeys(names);
}

bool CRegistryPath::DeleteKey() {
    CloseKey();
    return m_root && m_store.DeleteTree(*m_root, m_keyPath) == RegistryStatus::Ok;
}

}  // namespace tessaly
