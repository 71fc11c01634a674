#include <gtest/gtest.h>

#include "common/registry/RegistryPath.h"
#include "common/registry/RegistryRoots.h"
#include "common/registry/SplitText.h"

namespace tessaly {
namespace {

using platform::RegistryRoot;

struct SplitCase {
    const char* text;
    CStringArray pieces;
};

TEST(SplitText, KeepsEmptyPiecesAndTheLastOne) {
    const SplitCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\\b", {"a", "b"}},
        {"a\\", {"a", ""}},
        {"\\a", {"", "a"}},
        {"a\\\\b", {"a", "", "b"}},
        {"\\", {"", ""}},
        {"HKEY_CURRENT_USER\\Software\\X", {"HKEY_CURRENT_USER", "Software", "X"}},
    };
    for (const SplitCase& c : cases) {
        CStringArray out = {"left", "over"};
        EXPECT_EQ(SplitText(out, c.text, '\\'), c.pieces.size()) << c.text;
        EXPECT_EQ(out, c.pieces) << c.text;
    }
    CStringArray out;
    EXPECT_EQ(SplitText(out, "1.2..3", '.'), 4U);
    EXPECT_EQ(out, (CStringArray{"1", "2", "", "3"}));
}

struct PathCase {
    const char* path;
    bool namesKey;
    std::optional<RegistryRoot> root;
    const char* keyPath;
    const char* valueName;
};

TEST(RegistryPath, SplitsIntoRootKeyPathAndValueName) {
    const PathCase cases[] = {
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ReaderId", false, RegistryRoot::LocalMachine,
         "SOFTWARE\\Tessaly\\Halcyra", "ReaderId"},
        {"hkey_current_user\\Software\\X", false, RegistryRoot::CurrentUser, "Software", "X"},
        {"HKEY_CURRENT_USER\\X", false, RegistryRoot::CurrentUser, "", "X"},
        // The settings prefix ends in a backslash: the value name is what follows it.
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\", false, RegistryRoot::LocalMachine,
         "SOFTWARE\\Tessaly\\Halcyra", ""},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick", true, RegistryRoot::LocalMachine,
         "SOFTWARE\\TESSALY\\Brantwick", ""},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\Server0", true, RegistryRoot::LocalMachine,
         "SOFTWARE\\TESSALY\\Brantwick\\Server0", ""},
        {"HKEY_LOCAL_MACHINE", true, RegistryRoot::LocalMachine, "", ""},
        {"HKEY_USERS\\", true, RegistryRoot::Users, "", ""},
        {"HKEY_CLASSES_ROOT\\.txt", true, RegistryRoot::ClassesRoot, ".txt", ""},
        {"Hkey_Current_Config\\A\\B\\C", false, RegistryRoot::CurrentConfig, "A\\B", "C"},
        {"HKEY_LOCAL_MACHINE", false, RegistryRoot::LocalMachine, "", "HKEY_LOCAL_MACHINE"},
        {"HKLM\\SOFTWARE\\X", false, std::nullopt, "SOFTWARE", "X"},
        {"HKEY_LOCAL_MACHINEX\\A\\B", false, std::nullopt, "A", "B"},
        {"SOFTWARE", false, std::nullopt, "", "SOFTWARE"},
        {"", false, std::nullopt, "", ""},
        {"", true, std::nullopt, "", ""},
        {"\\HKEY_LOCAL_MACHINE\\A", true, std::nullopt, "HKEY_LOCAL_MACHINE\\A", ""},
    };
    for (const PathCase& c : cases) {
        const CRegistryPath path(c.path, c.namesKey);
        EXPECT_EQ(path.Root(), c.root) << c.path;
        EXPECT_EQ(path.KeyPath(), c.keyPath) << c.path;
        EXPECT_EQ(path.ValueName(), c.valueName) << c.path;
    }
}

TEST(RegistryRoots, NamesAndNumbers) {
    const struct {
        const char* name;
        RegistryRoot root;
        std::uint32_t number;
    } roots[] = {
        {"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine, 0x80000002},
        {"HKEY_CURRENT_USER", RegistryRoot::CurrentUser, 0x80000001},
        {"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot, 0x80000000},
        {"HKEY_USERS", RegistryRoot::Users, 0x80000003},
        {"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig, 0x80000005},
    };
    for (const auto& r : roots) {
        EXPECT_EQ(RegistryRootFromName(r.name), r.root);
        EXPECT_EQ(static_cast<std::uint32_t>(r.root), r.number);
        EXPECT_STREQ(RegistryRootName(r.root), r.name);
    }
    EXPECT_EQ(RegistryRootFromName("HKEY_LOCAL_MACHIN"), std::nullopt);
    EXPECT_EQ(RegistryRootFromName("HKEY_LOCAL_MACHINE "), std::nullopt);
    EXPECT_EQ(RegistryRootFromName(""), std::nullopt);
    EXPECT_EQ(RegistryRootFromName("HKEY_DYN_DATA"), std::nullopt);
}

}  // namespace
}  // namespace tessaly
