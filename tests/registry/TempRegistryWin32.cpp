#include "platform/WindowsBase.h"

#include <stdlib.h>

#include <atomic>
#include <cstdlib>

#include "tests/registry/TempRegistry.h"

namespace tessaly::test {
namespace {

constexpr const char* kPrivateRoot = "Software\\TessalyTestRegistry";

std::atomic<unsigned> g_made{0};
CTempRegistry::Override* g_current = nullptr;  // the innermost mapping; registries nest

std::string UniqueName(const char* prefix) {
    return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
           std::to_string(g_made.fetch_add(1));
}

}  // namespace

CScopedEnvironment::CScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
        m_old = old;
    }
    _putenv_s(name, value.c_str());
}

CScopedEnvironment::~CScopedEnvironment() {
    _putenv_s(m_name, m_old ? m_old->c_str() : "");  // an empty value removes the variable
}

std::filesystem::path MakeTempFolder() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / UniqueName("tessaly-test-");
        std::error_code error;
        if (std::filesystem::create_directory(folder, error)) {
            return folder;
        }
    }
    ADD_FAILURE() << "cannot make a temporary folder";
    return {};
}

const char* TextLineEnd() {
    return "\r\n";
}

const char* TempFolderVariable() {
    return "TMP";
}

bool RegistryIsFileStore() {
    return false;
}

// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER of this process, mapped onto two empty keys below
// HKEY_CURRENT_USER\Software\TessalyTestRegistry\<unique>.
struct CTempRegistry::Override {
    std::string path;
    HKEY machine = nullptr;
    HKEY user = nullptr;
    Override* outer = g_current;

    Override() : path(std::string(kPrivateRoot) + "\\" + UniqueName("")) {
        g_current = this;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, (path + "\\Machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &machine, nullptr) != ERROR_SUCCESS ||
            RegCreateKeyExA(HKEY_CURRENT_USER, (path + "\\User").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &user, nullptr) != ERROR_SUCCESS ||
            RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine) != ERROR_SUCCESS ||
            RegOverridePredefKey(HKEY_CURRENT_USER, user) != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot map the registry onto private keys";
        }
    }
    Override(const Override&) = delete;
    Override& operator=(const Override&) = delete;
    ~Override() {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, outer != nullptr ? outer->machine : nullptr);
        RegOverridePredefKey(HKEY_CURRENT_USER, outer != nullptr ? outer->user : nullptr);
        g_current = outer;
        if (machine != nullptr) {
            RegCloseKey(machine);
        }
        if (user != nullptr) {
            RegCloseKey(user);
        }
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
            RegDeleteTreeA(key, nullptr);
            RegCloseKey(key);
            RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
        }
    }
};

CTempRegistry::CTempRegistry() : m_folder(MakeTempFolder()), m_override(std::make_unique<Override>()) {}

CTempRegistry::~CTempRegistry() {
    m_override.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

}  // namespace tessaly::test
