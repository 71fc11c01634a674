// A private registry file for one test (TESSALY_REGISTRY into a fresh folder for the life of the
// object; POSIX: the file store is the non-Windows registry), and small file helpers.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tessaly::test {

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

inline std::filesystem::path MakeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
    EXPECT_NE(mkdtemp(pattern.data()), nullptr) << "cannot make a temporary folder from " << pattern;
    return pattern;
}

inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::in | std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::out | std::ios::binary | std::ios::trunc) << bytes;
}

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

class TempRegistry {
public:
    TempRegistry()
        : m_folder(MakeTempFolder()),
          m_store((m_folder / "registry.db").string()),
          m_env("TESSALY_REGISTRY", m_store) {}
    ~TempRegistry() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;

    const std::filesystem::path& Folder() const { return m_folder; }
    const std::string& StorePath() const { return m_store; }

private:
    std::filesystem::path m_folder;
    std::string m_store;
    ScopedEnvironment m_env;
};

}  // namespace tessaly::test
