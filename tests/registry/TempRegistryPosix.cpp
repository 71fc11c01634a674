#include <stdlib.h>

#include <cstdlib>

#include "tests/registry/TempRegistry.h"

namespace tessaly::test {

CScopedEnvironment::CScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
        m_old = old;
    }
    setenv(name, value.c_str(), 1);
}

CScopedEnvironment::~CScopedEnvironment() {
    if (m_old) {
        setenv(m_name, m_old->c_str(), 1);
    } else {
        unsetenv(m_name);
    }
}

std::filesystem::path MakeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot make a temporary folder from " << pattern;
    }
    return pattern;
}

const char* TextLineEnd() {
    return "\n";
}

const char* TempFolderVariable() {
    return "TMPDIR";
}

bool RegistryIsFileStore() {
    return true;
}

struct CTempRegistry::Override {};

CTempRegistry::CTempRegistry()
    : m_folder(MakeTempFolder()),
      m_store((m_folder / "registry.db").string()),
      m_environment(std::make_unique<CScopedEnvironment>("TESSALY_REGISTRY", m_store)) {}

CTempRegistry::~CTempRegistry() {
    m_environment.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

}  // namespace tessaly::test
