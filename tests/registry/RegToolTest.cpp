// The tessaly-reg commands over a private store file.
#include <gtest/gtest.h>

#include <sstream>

#include "common/registry/Registry.h"
#include "platform/RegistryStore.h"
#include "tests/registry/TempRegistry.h"
#include "tools/tessaly-reg/RegTool.h"

namespace tessaly::tools {
namespace {

using platform::RegistryRoot;

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
    std::string Location() const { return registry_.StorePath(); }
    std::filesystem::path File(const char* name) const { return registry_.Folder() / name; }

    test::TempRegistry registry_;
};

TEST_F(RegToolTest, SetGetListDelete) {
    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\";
    EXPECT_EQ(Reg({"set", key + "ObjectCommunicatorIp", "10.1.2.3"}).status, kExitDone);
    EXPECT_EQ(Reg({"set", key + "ObjectCommunicatorPort", "1500", "--dword"}).status, kExitDone);
    EXPECT_EQ(Reg({"set", key + "Hex", "0x5DC", "--dword"}).status, kExitDone);
    EXPECT_EQ(Reg({"set", key + "Negative", "-25536", "--dword"}).status, kExitDone);
    EXPECT_EQ(Reg({"set", key + "Folder", "%TEMP%", "--expand-sz"}).status, kExitDone);
    EXPECT_EQ(Reg({"set", key + "Plain", "x", "--sz"}).status, kExitDone);

    EXPECT_EQ(ReadRegistryString(key + "ObjectCommunicatorIp"), "10.1.2.3");
    EXPECT_EQ(ReadRegistryDWord(key + "ObjectCommunicatorPort"), 1500U);
    EXPECT_EQ(ReadRegistryDWord(key + "Hex"), 1500U);
    EXPECT_EQ(ReadRegistryDWord(key + "Negative"), 0xFFFF9C40U);

    const ToolRun ip = Reg({"get", key + "objectcommunicatorip"});
    EXPECT_EQ(ip.status, kExitDone);
    EXPECT_EQ(ip.out, "10.1.2.3\n");
    EXPECT_EQ(Reg({"get", key + "ObjectCommunicatorPort"}).out, "1500\n");
    EXPECT_EQ(Reg({"get", key + "Negative"}).out, "4294941760\n");
    EXPECT_EQ(Reg({"get", key + "Folder"}).out, "%TEMP%\n");

    EXPECT_EQ(Reg({"set", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Other\\V", "1"}).status, kExitDone);
    const ToolRun list = Reg({"list", "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY"});
    EXPECT_EQ(list.status, kExitDone);
    EXPECT_EQ(list.out, "Halcyra\nOther\n");

    EXPECT_EQ(Reg({"delete", key + "Plain", "--value"}).status, kExitDone);
    EXPECT_EQ(Reg({"get", key + "Plain"}).status, kExitFailed);
    EXPECT_EQ(Reg({"delete", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Other"}).status, kExitDone);
    EXPECT_EQ(Reg({"list", "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY"}).out, "Halcyra\n");
}

TEST_F(RegToolTest, FailuresSayWhat) {
    const ToolRun missing = Reg({"get", "HKEY_CURRENT_USER\\Nothing\\V"});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_EQ(missing.err, "tessaly-reg: no value HKEY_CURRENT_USER\\Nothing\\V in " + Location() + "\n");
    EXPECT_EQ(Reg({"get", "HKCU\\X\\V"}).err, "tessaly-reg: unknown root key in HKCU\\X\\V\n");
    EXPECT_EQ(Reg({"set", "HKEY_CURRENT_USER\\K\\V", "12x", "--dword"}).err,
              "tessaly-reg: \"12x\" is not a 32-bit number (decimal, or hexadecimal with 0x)\n");
    EXPECT_EQ(Reg({"set", "HKEY_CURRENT_USER\\K\\V", "4294967296", "--dword"}).status, kExitFailed);
    EXPECT_EQ(Reg({"set", "HKEY_CURRENT_USER\\K\\V", "-2147483649", "--dword"}).status, kExitFailed);
    EXPECT_EQ(Reg({"delete", "HKEY_CURRENT_USER\\Nothing"}).err,
              "tessaly-reg: no key HKEY_CURRENT_USER\\Nothing in " + Location() + "\n");
    EXPECT_EQ(Reg({"delete", "HKEY_CURRENT_USER"}).err, "tessaly-reg: a root key cannot be deleted\n");
    EXPECT_EQ(Reg({"list", "HKEY_CURRENT_USER\\Nothing"}).status, kExitFailed);
    EXPECT_EQ(Reg({"export", "HKEY_CURRENT_USER\\Nothing"}).status, kExitFailed);

    const ToolRun usage = Reg({"set", "HKEY_CURRENT_USER\\K\\V", "1", "--qword"});
    EXPECT_EQ(usage.status, kExitUsage);
    EXPECT_EQ(usage.err.rfind("tessaly-reg: unknown option --qword\nusage: tessaly-reg COMMAND", 0), 0U);
    EXPECT_EQ(Reg({"set", "HKEY_CURRENT_USER\\K\\V", "1", "--dword", "--sz"}).status, kExitUsage);
    EXPECT_EQ(Reg({"frobnicate"}).status, kExitUsage);
    EXPECT_EQ(Reg({}).status, kExitUsage);
    EXPECT_EQ(Reg({"get"}).status, kExitUsage);
    EXPECT_FALSE(std::filesystem::exists(Location()));
}

// Every kind of value and name the format has to carry.
void BuildTree() {
    ASSERT_EQ(Reg({"set", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ObjectCommunicatorIp", "10.0.0.1"})
                  .status,
              kExitDone);
    ASSERT_TRUE(
        WriteRegistryDWord("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ObjectCommunicatorPort", 1500));
    ASSERT_TRUE(WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\", "default", false));
    ASSERT_TRUE(WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\Say \"hi\" \\o/",
                                    "C:\\Program Files\\\"x\" \xE9", false));
    ASSERT_TRUE(
        WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\Expand", "%TEMP%\\a", true));
    ASSERT_TRUE(
        WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\Lines", "a\r\nb", false));
    ASSERT_TRUE(WriteRegistryDWord("HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\Server0\\Port", 5001));
    ASSERT_TRUE(WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\server7\\ReaderName",
                                    "Reader [1]", false));
    ASSERT_TRUE(
        WriteRegistryString("HKEY_CURRENT_USER\\Software\\Tessaly\\Log File Viewer\\LogPath", "", false));
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\Top", "at the root", false));
    ASSERT_TRUE(WriteRegistryDWord("HKEY_CURRENT_CONFIG\\Empty\\Key\\Below\\V", 0));
    platform::RegistryStore store;
    platform::RegistryKey key = store.CreateKey(RegistryRoot::Users, "Raw");
    ASSERT_TRUE(key.SetValue("Binary", {platform::kRegBinary, {0, 1, 0xFF}}));
    ASSERT_TRUE(key.SetValue("Multi", {platform::kRegMultiSz, {'a', 0, 'b', 0, 0}}));
    ASSERT_TRUE(key.SetValue("Odd", {0x0B, {1, 2, 3, 4, 5, 6, 7, 8}}));
    ASSERT_TRUE(key.SetValue("Bare", {platform::kRegSz, {'n', 'o', 'z'}}));
    ASSERT_TRUE(store.CreateKey(RegistryRoot::ClassesRoot, ".tessaly\\Empty").IsOpen());
}

TEST_F(RegToolTest, ExportThenImportGivesTheSameTree) {
    BuildTree();
    const ToolRun first = Reg({"export"});
    ASSERT_EQ(first.status, kExitDone) << first.err;
    test::WriteFileBytes(File("all.reg"), first.out);

    // Into an empty store.
    test::ScopedEnvironment fresh("TESSALY_REGISTRY", File("fresh.db").string());
    const ToolRun imported = Reg({"import", File("all.reg").string()});
    ASSERT_EQ(imported.status, kExitDone) << imported.err;
    const ToolRun second = Reg({"export"});
    EXPECT_EQ(second.out, first.out);
    EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\Lines"), "a\r\nb");

    // Importing again changes nothing.
    ASSERT_EQ(Reg({"import", File("all.reg").string()}).status, kExitDone);
    EXPECT_EQ(Reg({"export"}).out, first.out);
}

TEST_F(RegToolTest, ExportOfOneKey) {
    ASSERT_TRUE(
        WriteRegistryDWord("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ObjectCommunicatorPort", 1500));
    ASSERT_TRUE(
        WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\InstallPath", "C:\\T\\", false));
    ASSERT_TRUE(WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\Sub\\V", "v", false));
    ASSERT_TRUE(WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Other\\V", "not exported", false));
    const ToolRun run = Reg({"export", "hkey_local_machine\\software\\tessaly"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_EQ(run.out,
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\software\\tessaly]\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\software\\tessaly\\Halcyra]\n"
              "\"ObjectCommunicatorPort\"=dword:000005dc\n"
              "\"InstallPath\"=\"C:\\\\T\\\\\"\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\software\\tessaly\\Halcyra\\Sub]\n"
              "\"V\"=\"v\"\n"
              "\n");
}

TEST_F(RegToolTest, ImportAppliesDeletionsAndRegeditFiles) {
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\Software\\Tessaly\\Old\\Deep\\V", "old", false));
    ASSERT_TRUE(WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\Gone", "old", false));
    ASSERT_TRUE(WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\Kept", "old", false));
    // As regedit saves it: UTF-16LE with a byte order mark and CR LF.
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Tessaly\\Old]\r\n\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Tessaly\\NeverWas]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra]\r\n"
        "\"Gone\"=-\r\n"
        "\"NeverWas\"=-\r\n"
        "\"Folder\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
        "\"ObjectCommunicatorPort\"=dword:000005dc\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : text) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    test::WriteFileBytes(File("deploy.reg"), utf16);
    const ToolRun run = Reg({"import", File("deploy.reg").string()});
    ASSERT_EQ(run.status, kExitDone) << run.err;

    CStringArray keys;
    ASSERT_TRUE(ReadRegistrySubKeys("HKEY_CURRENT_USER\\Software\\Tessaly", keys));
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(Reg({"get", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\Gone"}).status, kExitFailed);
    EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\Kept"), "old");
    EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\Folder"), "%TEMP%");
    EXPECT_EQ(ReadRegistryDWord("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ObjectCommunicatorPort"),
              1500U);
}

TEST_F(RegToolTest, AFailedImportLeavesNothingBehind) {
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\Keep\\V", "before", false));
    const std::string before = Reg({"export"}).out;

    // Parses, but the store refuses the second value (its name is longer than a registry allows).
    test::WriteFileBytes(File("half.reg"),
                         "Windows Registry Editor Version 5.00\n\n"
                         "[-HKEY_CURRENT_USER\\Keep]\n\n"
                         "[HKEY_CURRENT_USER\\New]\n"
                         "\"A\"=\"first\"\n"
                         "\"" +
                             std::string(16384, 'n') + "\"=\"second\"\n");
    const ToolRun half = Reg({"import", File("half.reg").string()});
    EXPECT_EQ(half.status, kExitFailed);
    const std::string expected =
        "tessaly-reg: " + File("half.reg").string() + ": line 7: cannot set the value \"nnn";
    EXPECT_EQ(half.err.substr(0, expected.size()), expected);
    const std::string ending = "nnn\" in [HKEY_CURRENT_USER\\New]; nothing was imported\n";
    EXPECT_EQ(half.err.substr(half.err.size() - ending.size()), ending);
    EXPECT_EQ(Reg({"export"}).out, before);

    // A file with a syntax error is not applied at all.
    test::WriteFileBytes(File("bad.reg"),
                         "Windows Registry Editor Version 5.00\n\n"
                         "[HKEY_CURRENT_USER\\New]\n"
                         "\"A\"=\"first\"\n"
                         "\"B\"=dword:zz\n");
    const ToolRun bad = Reg({"import", File("bad.reg").string()});
    EXPECT_EQ(bad.status, kExitFailed);
    EXPECT_EQ(bad.err, "tessaly-reg: " + File("bad.reg").string() +
                           ": line 5: dword: needs 1 to 8 hexadecimal digits; nothing was imported\n");
    EXPECT_EQ(Reg({"export"}).out, before);

    EXPECT_EQ(Reg({"import", File("missing.reg").string()}).err,
              "tessaly-reg: cannot read " + File("missing.reg").string() + "\n");
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
