#include "common/registry/RegistryRoots.h"

#include <array>

#include "common/ValueTable.h"

namespace tessaly {
namespace {

using platform::RegistryRoot;

constexpr std::array<CodeText, 5> kRootNames = {{
    {static_cast<std::uint32_t>(RegistryRoot::LocalMachine), "HKEY_LOCAL_MACHINE"},
    {static_cast<std::uint32_t>(RegistryRoot::CurrentUser), "HKEY_CURRENT_USER"},
    {static_cast<std::uint32_t>(RegistryRoot::ClassesRoot), "HKEY_CLASSES_ROOT"},
    {static_cast<std::uint32_t>(RegistryRoot::Users), "HKEY_USERS"},
    {static_cast<std::uint32_t>(RegistryRoot::CurrentConfig), "HKEY_CURRENT_CONFIG"},
}};

bool EqualIgnoringCase(const CString& text, const char* name) {
    std::size_t i = 0;
    for (; i < text.size() && name[i] != '\0'; ++i) {
        char a = text[i];
        char b = name[i];
        if (a >= 'a' && a <= 'z') {
            a = static_cast<char>(a - 'a' + 'A');
        }
        if (b >= 'a' && b <= 'z') {
            b = static_cast<char>(b - 'a' + 'A');
        }
        if (a != b) {
            return false;
        }
    }
    return i == text.size() && name[i] == '\0';
}

}  // namespace

std::optional<platform::RegistryRoot> RegistryRootFromName(const CString& name) {
    for (const CodeText& entry : kRootNames) {
        if (EqualIgnoringCase(name, entry.text)) {
            return static_cast<RegistryRoot>(entry.code);
        }
    }
    return std::nullopt;
}

const char* RegistryRootName(platform::RegistryRoot root) {
    return LookupText(kRootNames, static_cast<std::uint32_t>(root), "");
}

}  // namespace tessaly
