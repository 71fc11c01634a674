#include <fstream>
#include <iterator>

#include "tests/registry/TempRegistry.h"

namespace tessaly::test {

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::in | std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tessaly::test
