// tessaly-reg over private store files: the commands and their outputs (data/regtool.transcript), the
// round trip of a whole tree, an import that fails half way, a corrupt store.
#include <gtest/gtest.h>

#include <sstream>

#include "common/registry/Registry.h"
#include "tests/registry/TempRegistry.h"
#include "tests/tools/Transcript.h"
#include "tools/tessaly-reg/RegTool.h"

namespace tessaly::tools {
namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun Reg(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunRegTool(args, out, err);
    return {status, out.str(), err.str()};
}

class RegToolTest : public ::testing::Test {
protected:
    std::string Location() const { return m_registry.StorePath(); }
    std::filesystem::path File(const std::string& name) const { return m_registry.Folder() / name; }

    test::CTempRegistry m_registry;
};

TEST_F(RegToolTest, Commands) {
    std::unique_ptr<test::CScopedEnvironment> store;
    const auto setting = [&](const std::vector<std::string>& words, test::Values& values) {
        if (words.at(0) == "store") {
            values["store"] = File(words.at(1) + ".db").string();
            store.reset();  // it puts back the variable it found
            store = std::make_unique<test::CScopedEnvironment>("TESSALY_REGISTRY", values["store"]);
        } else {
            EXPECT_FALSE(std::filesystem::exists(values["store"]));
        }
    };
    test::RunTranscript(
        TESSALY_REGISTRY_DATA "/regtool.transcript",
        [](const std::vector<std::string>& args, const cli::Streams& io) {
            return RunRegTool(args, io.out, io.err);
        },
        {{"store", Location()}, {"data", TESSALY_REGISTRY_DATA}, {"dir", m_registry.Folder().string()}},
        setting);
}

TEST_F(RegToolTest, ExportThenImportGivesTheSameTree) {
    ASSERT_EQ(Reg({"import", TESSALY_REGISTRY_DATA "/tree.reg"}).status, kExitDone);
    // Latin-1 texts: from UTF-8 after a byte order mark, else byte for byte.
    test::WriteFileBytes(
        File("utf8.reg"),
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n; \xE2\x82\xAC\n[HKEY_USERS\\Caf\xC3\xA9]\n"
        "\"N\"=\"\xC3\xA9t\xC3\xA9\"\n");
    test::WriteFileBytes(File("bytes.reg"),
                         "Windows Registry Editor Version 5.00\n[HKEY_USERS\\K]\n\"N\"=\"\xE9\"\n");
    ASSERT_EQ(Reg({"import", File("utf8.reg").string()}).err, "");
    ASSERT_EQ(Reg({"import", File("bytes.reg").string()}).err, "");
    EXPECT_EQ(ReadRegistryString("HKEY_USERS\\Caf\xE9\\N"), "\xE9t\xE9");
    EXPECT_EQ(ReadRegistryString("HKEY_USERS\\K\\N"), "\xE9");

    const ToolRun first = Reg({"export"});
    ASSERT_EQ(first.status, kExitDone) << first.err;
    test::WriteFileBytes(File("all.reg"), first.out);
    test::CScopedEnvironment fresh("TESSALY_REGISTRY", File("fresh.db").string());
    ASSERT_EQ(Reg({"import", File("all.reg").string()}).err, "");
    EXPECT_EQ(Reg({"export"}).out, first.out);
    // Importing again changes nothing.
    ASSERT_EQ(Reg({"import", File("all.reg").string()}).status, kExitDone);
    EXPECT_EQ(Reg({"export"}).out, first.out);
}

TEST_F(RegToolTest, AFailedImportLeavesNothingBehind) {
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\Keep\\V", "before", false));
    const std::string before = Reg({"export"}).out;
    // Parses, but the store refuses the second value (its name is longer than a registry allows).
    test::WriteFileBytes(File("half.reg"),
                         "Windows Registry Editor Version 5.00\n\n[-HKEY_CURRENT_USER\\Keep]\n\n"
                         "[HKEY_CURRENT_USER\\New]\n\"A\"=\"first\"\n\"" +
                             std::string(16384, 'n') + "\"=\"second\"\n");
    const ToolRun half = Reg({"import", File("half.reg").string()});
    EXPECT_EQ(half.status, kExitFailed);
    EXPECT_EQ(half.err.rfind(
                  "tessaly-reg: " + File("half.reg").string() + ": line 7: cannot set the value \"nnn", 0),
              0U);
    const std::string ending = "nnn\" in [HKEY_CURRENT_USER\\New]; nothing was imported\n";
    EXPECT_EQ(half.err.substr(half.err.size() - ending.size()), ending);
    EXPECT_EQ(Reg({"export"}).out, before);
}

TEST_F(RegToolTest, ACorruptStoreIsReportedAndKept) {
    test::WriteFileBytes(Location(), std::string(4096, 'x'));
    test::WriteFileBytes(File("one.reg"), "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n");
    const ToolRun run = Reg({"import", File("one.reg").string()});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tessaly-reg: " + File("one.reg").string() + ": cannot open " + Location() +
                           " for writing; nothing was imported\n");
    EXPECT_EQ(Reg({"export"}).status, kExitFailed);
    EXPECT_EQ(test::ReadFileBytes(Location()), std::string(4096, 'x'));
}

}  // namespace
}  // namespace tessaly::tools
