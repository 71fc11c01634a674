// Registry paths cut into root, key path and value name, over the cases of data/paths.txt.
#include <gtest/gtest.h>

#include "common/registry/RegistryPath.h"
#include "common/registry/RegistryRoots.h"
#include "common/registry/SplitText.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

TEST(RegistryPath, SplitsAsTheCasesSay) {
    std::ifstream file(TESSALY_REGISTRY_DATA "/paths.txt");
    int cases = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        ++cases;
        SCOPED_TRACE(line);
        std::vector<std::string> f = test::DataFields(line);
        f.resize(5);
        const CRegistryPath path(f[1], f[0] == "key");
        CStringArray pieces = {"left", "over"};
        std::string joined;
        if (f[0] == "root" || f[0] == "noroot") {
            const auto root = RegistryRootFromName(f[0] == "root" ? f[1] : line.substr(9));
            EXPECT_EQ(root ? static_cast<std::uint32_t>(*root) : 0U, std::stoul("0" + f[2], nullptr, 16));
        } else if (f[0] == "split") {
            for (std::size_t i = 0; i < SplitText(pieces, f[1], '\\'); ++i) {
                joined += "[" + pieces.at(i) + "]";
            }
            EXPECT_EQ(joined, f[2]);
        } else {
            EXPECT_STREQ(path.Root() ? RegistryRootName(*path.Root()) : "-", f[2].c_str());
            EXPECT_EQ(path.KeyPath(), f[3]);
            EXPECT_EQ(path.ValueName(), f[0] == "key" ? "" : f[4]);
        }
    }
    EXPECT_GE(cases, 25);
    CStringArray out;
    EXPECT_EQ(SplitText(out, "1.2..3", '.'), 4U);
    EXPECT_EQ(out, (CStringArray{"1", "2", "", "3"}));
}

}  // namespace
}  // namespace tessaly
