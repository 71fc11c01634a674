// A private registry for one test. Off Windows: a fresh folder with the file store in it,
// TESSALY_REGISTRY pointing there for the life of the object. On Windows: the real registry, with
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER of this process mapped onto empty private keys for the
// life of the object (and a fresh folder for files all the same). One file per platform
// implements it (TempRegistryPosix.cpp, TempRegistryWin32.cpp). And small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tessaly::test {

// Sets an environment variable of this process for the life of the object.
class CScopedEnvironment {
public:
    CScopedEnvironment(const char* name, const std::string& value);
    ~CScopedEnvironment();
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A new empty folder under the system's temporary folder.
std::filesystem::path MakeTempFolder();
std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// The fields of a line of a test's data file, cut at '|' and without the blanks around them.
inline std::vector<std::string> DataFields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line + "|");
    for (std::string field; std::getline(in, field, '|');) {
        const std::size_t first = field.find_first_not_of(' ');
        fields.push_back(
            first == std::string::npos ? "" : field.substr(first, field.find_last_not_of(' ') - first + 1));
    }
    return fields;
}

// What the platform does where the tests look: the end of a line in a text file, the variable
// that names the temporary folder, and whether the registry is the file store.
const char* TextLineEnd();
const char* TempFolderVariable();
bool RegistryIsFileStore();

class CTempRegistry {
public:
    CTempRegistry();
    ~CTempRegistry();
    CTempRegistry(const CTempRegistry&) = delete;
    CTempRegistry& operator=(const CTempRegistry&) = delete;

    const std::filesystem::path& Folder() const { return m_folder; }
    // The store file (the file store only).
    const std::string& StorePath() const { return m_store; }

    struct Override;

private:
    std::filesystem::path m_folder;
    std::string m_store;
    std::unique_ptr<CScopedEnvironment> m_environment;
    std::unique_ptr<Override> m_override;
};

}  // namespace tessaly::test
