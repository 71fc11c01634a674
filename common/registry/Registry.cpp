#include "common/registry/Registry.h"

#include "common/registry/RegistryPath.h"

namespace tessaly {

std::uint32_t ReadRegistryDWord(const CString& path) {
    std::uint32_t value = 0;
    return CRegistryPath(path, false).GetDWord(value) ? value : 0;
}

CString ReadRegistryString(const CString& path) {
    CString text;
    return CRegistryPath(path, false).GetString(text) ? text : CString();
}

CString ReadRegistryText(const CString& path) {
    CString text;
    return CRegistryPath(path, false).GetText(text) ? text : CString();
}

bool WriteRegistryDWord(const CString& path, std::uint32_t value) {
    return CRegistryPath(path, false).SetDWord(value);
}

bool WriteRegistryString(const CString& path, const CString& text, bool expandable) {
    return CRegistryPath(path, false).SetString(text, expandable);
}

bool ReadRegistrySubKeys(const CString& path, CStringArray& names) {
    return CRegistryPath(path, true).EnumSubKeys(names);
}

bool DeleteRegistryKey(const CString& path) {
    return CRegistryPath(path, true).DeleteKey();
}

}  // namespace tessaly
