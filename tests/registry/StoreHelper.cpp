// A second process for the concurrency tests: writes or reads the store given by TESSALY_REGISTRY.
//   registry_store_helper write NAME COUNT   writes NAME\V0..V<COUNT-1> and overwrites Shared each time
//   registry_store_helper read COUNT         reads Shared COUNT times and checks that it is whole
// Exit status 0 when every operation did what it should.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/registry/Registry.h"
#include "tests/registry/StressValues.h"

int main(int argc, char** argv) {
    using namespace tessaly;
    if (argc == 4 && std::string(argv[1]) == "write") {
        const std::string name = argv[2];
        const int count = std::atoi(argv[3]);
        for (int i = 0; i < count; ++i) {
            if (!WriteRegistryString(test::StressValuePath(name, i), test::StressValue(name, i), false) ||
                !WriteRegistryString(test::kStressSharedPath, test::StressValue(name, i), false)) {
                std::fprintf(stderr, "write %d of %s failed\n", i, name.c_str());
                return 3;
            }
        }
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "read") {
        const int count = std::atoi(argv[2]);
        for (int i = 0; i < count; ++i) {
            const std::string value = ReadRegistryString(test::kStressSharedPath);
            if (!value.empty() && !test::IsWholeStressValue(value)) {
                std::fprintf(stderr, "torn value of %zu bytes\n", value.size());
                return 4;
            }
        }
        return 0;
    }
    std::fprintf(stderr, "usage: registry_store_helper write NAME COUNT | read COUNT\n");
    return 2;
}
