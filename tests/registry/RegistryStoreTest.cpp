// Registry operations over the file store: the behaviour the settings and station code rely on.
#include <gtest/gtest.h>

#include "common/registry/Registry.h"
#include "common/registry/RegistryPath.h"
#include "platform/RegistryStore.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

using platform::RegistryAccess;
using platform::RegistryRoot;
using platform::RegistryStatus;
using platform::CRegistryStore;
using platform::RegistryValue;

constexpr const char* kHalcyra = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\";

RegistryValue Stored(RegistryRoot root, const std::string& key, const std::string& name) {
    CRegistryStore store;
    RegistryValue value;
    const platform::CRegistryKey open = store.OpenKey(root, key, RegistryAccess::Read);
    EXPECT_TRUE(open.IsOpen() && open.QueryValue(name, value)) << key << " " << name;
    return value;
}

void Store(RegistryRoot root, const std::string& key, const std::string& name, const RegistryValue& value) {
    CRegistryStore store;
    platform::CRegistryKey open = store.CreateKey(root, key);
    ASSERT_TRUE(open.IsOpen());
    ASSERT_TRUE(open.SetValue(name, value));
}

class RegistryStoreTest : public ::testing::Test {
protected:
    test::TempRegistry registry_;
};

TEST_F(RegistryStoreTest, WritesAndReadsTypedValues) {
    EXPECT_TRUE(WriteRegistryString(std::string(kHalcyra) + "ReaderId", "ACS ACR38U 00 00", false));
    EXPECT_TRUE(WriteRegistryString(std::string(kHalcyra) + "Folder", "%TEMP%\\x", true));
    EXPECT_TRUE(WriteRegistryDWord(std::string(kHalcyra) + "ObjectCommunicatorPort", 1500));
    EXPECT_TRUE(WriteRegistryDWord(std::string(kHalcyra) + "Negative", 0xFFFF9C40));

    EXPECT_EQ(ReadRegistryString(std::string(kHalcyra) + "ReaderId"), "ACS ACR38U 00 00");
    EXPECT_EQ(ReadRegistryString(std::string(kHalcyra) + "Folder"), "%TEMP%\\x");
    EXPECT_EQ(ReadRegistryDWord(std::string(kHalcyra) + "ObjectCommunicatorPort"), 1500U);
    EXPECT_EQ(ReadRegistryDWord(std::string(kHalcyra) + "Negative"), 0xFFFF9C40U);

    const std::string key = "SOFTWARE\\Tessaly\\Halcyra";
    EXPECT_EQ(
        Stored(RegistryRoot::LocalMachine, key, "ReaderId"),
        (RegistryValue{platform::kRegSz,
                       {'A', 'C', 'S', ' ', 'A', 'C', 'R', '3', '8', 'U', ' ', '0', '0', ' ', '0', '0', 0}}));
    EXPECT_EQ(Stored(RegistryRoot::LocalMachine, key, "Folder").type, platform::kRegExpandSz);
    EXPECT_EQ(Stored(RegistryRoot::LocalMachine, key, "ObjectCommunicatorPort"),
              (RegistryValue{platform::kRegDword, {0xDC, 0x05, 0x00, 0x00}}));
}

TEST_F(RegistryStoreTest, NamesIgnoreCaseButKeepTheirFirstSpelling) {
    ASSERT_TRUE(
        WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ReaderId", "one", false));
    EXPECT_EQ(ReadRegistryString("hkey_local_machine\\software\\TESSALY\\halcyra\\READERID"), "one");
    ASSERT_TRUE(
        WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\HALCYRA\\readerid", "two", false));
    EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ReaderId"), "two");

    CStringArray keys;
    ASSERT_TRUE(ReadRegistrySubKeys("HKEY_LOCAL_MACHINE\\software", keys));
    EXPECT_EQ(keys, CStringArray{"Tessaly"});
    ASSERT_TRUE(ReadRegistrySubKeys("HKEY_LOCAL_MACHINE\\SOFTWARE\\tessaly", keys));
    EXPECT_EQ(keys, CStringArray{"Halcyra"});

    CRegistryStore store;
    std::vector<platform::NamedRegistryValue> values;
    ASSERT_TRUE(store.OpenKey(RegistryRoot::LocalMachine, "Software\\Tessaly\\Halcyra", RegistryAccess::Read)
                    .EnumValues(values));
    ASSERT_EQ(values.size(), 1U);
    EXPECT_EQ(values[0].name, "ReaderId");
}

TEST_F(RegistryStoreTest, OnlyLettersAToZFoldCase) {
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\K\\\xE9t\xE9", "latin", false));
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\K\\\xE9T\xE9"), "latin");
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\K\\\xC9t\xC9"), "");
}

TEST_F(RegistryStoreTest, TypeMismatchesAndMissingValues) {
    ASSERT_TRUE(WriteRegistryString(std::string(kHalcyra) + "ObjectCommunicatorPort", "1500", false));
    EXPECT_EQ(ReadRegistryDWord(std::string(kHalcyra) + "ObjectCommunicatorPort"), 0U);
    std::uint32_t number = 7;
    EXPECT_FALSE(CRegistryPath(std::string(kHalcyra) + "ObjectCommunicatorPort", false).GetDWord(number));
    EXPECT_EQ(number, 7U);

    // Texts are read whatever their stored type.
    ASSERT_TRUE(WriteRegistryDWord(std::string(kHalcyra) + "Number", 1500));
    EXPECT_EQ(ReadRegistryString(std::string(kHalcyra) + "Number"), std::string("\xDC\x05\x00", 3));

    // Four bytes that are not REG_DWORD, and a REG_DWORD of the wrong size, are no numbers.
    Store(RegistryRoot::LocalMachine, "SOFTWARE\\Tessaly\\Halcyra", "Binary",
          {platform::kRegBinary, {1, 0, 0, 0}});
    Store(RegistryRoot::LocalMachine, "SOFTWARE\\Tessaly\\Halcyra", "Short", {platform::kRegDword, {1, 0}});
    EXPECT_EQ(ReadRegistryDWord(std::string(kHalcyra) + "Binary"), 0U);
    EXPECT_EQ(ReadRegistryDWord(std::string(kHalcyra) + "Short"), 0U);

    EXPECT_EQ(ReadRegistryString(std::string(kHalcyra) + "Missing"), "");
    EXPECT_EQ(ReadRegistryDWord(std::string(kHalcyra) + "Missing"), 0U);
    EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Nowhere\\Value"), "");
    CString text = "kept";
    EXPECT_FALSE(CRegistryPath(std::string(kHalcyra) + "Missing", false).GetString(text));
    EXPECT_EQ(text, "kept");
}

TEST_F(RegistryStoreTest, TextsKeepEveryByteButTheTerminator) {
    const std::string withZero("a\0b", 3);
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\T\\Zero", withZero, false));
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\T\\Zero"), withZero);
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\T\\Empty", "", false));
    EXPECT_EQ(Stored(RegistryRoot::CurrentUser, "T", "Empty"), (RegistryValue{platform::kRegSz, {0}}));
    CString text = "x";
    EXPECT_TRUE(CRegistryPath("HKEY_CURRENT_USER\\T\\Empty", false).GetString(text));
    EXPECT_EQ(text, "");

    // Written by other tools: no terminator, or no data at all.
    Store(RegistryRoot::CurrentUser, "T", "Bare", {platform::kRegSz, {'a', 'b', 'c'}});
    Store(RegistryRoot::CurrentUser, "T", "Nothing", {platform::kRegSz, {}});
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\T\\Bare"), "abc");
    EXPECT_TRUE(CRegistryPath("HKEY_CURRENT_USER\\T\\Nothing", false).GetString(text));
    EXPECT_EQ(text, "");
}

TEST_F(RegistryStoreTest, ValuesOfTheRootAndTheDefaultValue) {
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\X", "at the root", false));
    EXPECT_EQ(Stored(RegistryRoot::CurrentUser, "", "X").data.size(), 12U);
    EXPECT_EQ(ReadRegistryString("hkey_current_user\\x"), "at the root");
    ASSERT_TRUE(WriteRegistryString(kHalcyra, "default", false));
    EXPECT_EQ(Stored(RegistryRoot::LocalMachine, "SOFTWARE\\Tessaly\\Halcyra", "").type, platform::kRegSz);
    EXPECT_EQ(ReadRegistryString(kHalcyra), "default");
}

TEST_F(RegistryStoreTest, SubKeysComeInTheRegistryOrder) {
    for (const char* name : {"Servers", "server7", "Server0", "b", "A", "_x", "Server10"}) {
        ASSERT_TRUE(WriteRegistryDWord(
            std::string("HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\") + name + "\\Port", 1));
    }
    CStringArray keys = {"stale"};
    ASSERT_TRUE(ReadRegistrySubKeys("HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick", keys));
    // Compared as upper case, as the registry sorts: '_' comes after the letters.
    EXPECT_EQ(keys, (CStringArray{"A", "b", "Server0", "Server10", "server7", "Servers", "_x"}));
    ASSERT_TRUE(ReadRegistrySubKeys("HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\", keys));
    EXPECT_EQ(keys.size(), 7U);

    ASSERT_TRUE(ReadRegistrySubKeys("HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\Server0", keys));
    EXPECT_TRUE(keys.empty());
    keys = {"stale"};
    EXPECT_FALSE(ReadRegistrySubKeys("HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Nothing", keys));
    EXPECT_TRUE(keys.empty());
    ASSERT_TRUE(ReadRegistrySubKeys("HKEY_LOCAL_MACHINE", keys));
    EXPECT_EQ(keys, CStringArray{"SOFTWARE"});
}

TEST_F(RegistryStoreTest, DeleteRemovesTheWholeTree) {
    const std::string base = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\";
    ASSERT_TRUE(WriteRegistryString(base + "Server0\\ReaderName", "R0", false));
    ASSERT_TRUE(WriteRegistryDWord(base + "Server0\\Deep\\Deeper\\Port", 5001));
    ASSERT_TRUE(WriteRegistryDWord(base + "Server1\\Port", 5002));

    EXPECT_TRUE(DeleteRegistryKey(base + "SERVER0"));
    CStringArray keys;
    ASSERT_TRUE(ReadRegistrySubKeys(base, keys));
    EXPECT_EQ(keys, CStringArray{"Server1"});
    EXPECT_EQ(ReadRegistryString(base + "Server0\\ReaderName"), "");
    EXPECT_EQ(ReadRegistryDWord(base + "Server0\\Deep\\Deeper\\Port"), 0U);
    EXPECT_EQ(ReadRegistryDWord(base + "Server1\\Port"), 5002U);

    // Made again, the key starts empty.
    ASSERT_TRUE(WriteRegistryDWord(base + "Server0\\Port", 1));
    ASSERT_TRUE(ReadRegistrySubKeys(base + "Server0", keys));
    EXPECT_TRUE(keys.empty());

    EXPECT_FALSE(DeleteRegistryKey(base + "Missing"));
    // A root is never deleted, with or without a trailing backslash.
    EXPECT_FALSE(DeleteRegistryKey("HKEY_LOCAL_MACHINE"));
    EXPECT_FALSE(DeleteRegistryKey("HKEY_LOCAL_MACHINE\\"));
    EXPECT_EQ(ReadRegistryDWord(base + "Server1\\Port"), 5002U);
}

TEST_F(RegistryStoreTest, UnknownRootFailsEverywhere) {
    const std::string bad = "HKLM\\SOFTWARE\\Tessaly\\Value";
    EXPECT_FALSE(WriteRegistryString(bad, "x", false));
    EXPECT_FALSE(WriteRegistryDWord(bad, 1));
    EXPECT_EQ(ReadRegistryString(bad), "");
    EXPECT_EQ(ReadRegistryDWord(bad), 0U);
    CStringArray keys = {"stale"};
    EXPECT_FALSE(ReadRegistrySubKeys("HKLM\\SOFTWARE", keys));
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(DeleteRegistryKey("HKLM\\SOFTWARE"));
    EXPECT_FALSE(WriteRegistryString("", "x", false));
    EXPECT_FALSE(std::filesystem::exists(registry_.StorePath()));
}

TEST_F(RegistryStoreTest, KeyPathsWithEmptyElementsAreRefused) {
    EXPECT_FALSE(WriteRegistryString("HKEY_CURRENT_USER\\A\\\\B\\Value", "x", false));
    EXPECT_FALSE(
        WriteRegistryString(std::string("HKEY_CURRENT_USER\\") + std::string(256, 'k') + "\\V", "x", false));
    EXPECT_TRUE(
        WriteRegistryString(std::string("HKEY_CURRENT_USER\\") + std::string(255, 'k') + "\\V", "x", false));
    CStringArray keys;
    ASSERT_TRUE(ReadRegistrySubKeys("HKEY_CURRENT_USER", keys));
    EXPECT_EQ(keys, CStringArray{std::string(255, 'k')});
}

TEST_F(RegistryStoreTest, AnOpenKeyDeletedMeanwhileFails) {
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\Gone\\V", "x", false));
    CRegistryStore store;
    platform::CRegistryKey key = store.OpenKey(RegistryRoot::CurrentUser, "Gone", RegistryAccess::Write);
    ASSERT_TRUE(key.IsOpen());
    ASSERT_TRUE(DeleteRegistryKey("HKEY_CURRENT_USER\\Gone"));
    RegistryValue value;
    EXPECT_FALSE(key.QueryValue("V", value));
    EXPECT_FALSE(key.SetValue("V", {platform::kRegSz, {0}}));
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\Gone\\V", "new", false));
    EXPECT_FALSE(key.QueryValue("V", value));  // the old handle does not reach the new key
}

TEST_F(RegistryStoreTest, KeysOpenedForReadingRefuseWrites) {
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\K\\V", "x", false));
    CRegistryStore store;
    platform::CRegistryKey key = store.OpenKey(RegistryRoot::CurrentUser, "K", RegistryAccess::Read);
    EXPECT_FALSE(key.SetValue("V", {platform::kRegSz, {'y', 0}}));
    EXPECT_EQ(key.DeleteValue("V"), RegistryStatus::Failed);
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\K\\V"), "x");
}

TEST_F(RegistryStoreTest, DeleteValueReportsWhatItFound) {
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\K\\V", "x", false));
    CRegistryStore store;
    platform::CRegistryKey key = store.OpenKey(RegistryRoot::CurrentUser, "K", RegistryAccess::Write);
    EXPECT_EQ(key.DeleteValue("v"), RegistryStatus::Ok);
    EXPECT_EQ(key.DeleteValue("V"), RegistryStatus::NotFound);
    EXPECT_EQ(store.DeleteTree(RegistryRoot::CurrentUser, "K\\Nothing"), RegistryStatus::NotFound);
}

TEST_F(RegistryStoreTest, ValuesListInTheOrderTheyWereFirstWritten) {
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\K\\Zeta", "1", false));
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\K\\Alpha", "2", false));
    ASSERT_TRUE(WriteRegistryDWord("HKEY_CURRENT_USER\\K\\ZETA", 3));
    CRegistryStore store;
    std::vector<platform::NamedRegistryValue> values;
    ASSERT_TRUE(store.OpenKey(RegistryRoot::CurrentUser, "K", RegistryAccess::Read).EnumValues(values));
    ASSERT_EQ(values.size(), 2U);
    EXPECT_EQ(values[0].name, "Zeta");
    EXPECT_EQ(values[0].value, (RegistryValue{platform::kRegDword, {3, 0, 0, 0}}));
    EXPECT_EQ(values[1].name, "Alpha");
}

TEST_F(RegistryStoreTest, TransactionsApplyAllOrNothing) {
    {
        CRegistryStore store;
        ASSERT_TRUE(store.BeginTransaction());
        EXPECT_FALSE(store.BeginTransaction());
        ASSERT_TRUE(
            store.CreateKey(RegistryRoot::CurrentUser, "T\\A").SetValue("V", {platform::kRegSz, {'1', 0}}));
        store.RollbackTransaction();
    }
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\T\\A\\V"), "");
    {
        CRegistryStore store;
        ASSERT_TRUE(store.BeginTransaction());
        ASSERT_TRUE(
            store.CreateKey(RegistryRoot::CurrentUser, "T\\A").SetValue("V", {platform::kRegSz, {'1', 0}}));
        // Not committed: dropped with the store.
    }
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\T\\A\\V"), "");
    {
        CRegistryStore store;
        ASSERT_TRUE(store.BeginTransaction());
        ASSERT_TRUE(
            store.CreateKey(RegistryRoot::CurrentUser, "T\\A").SetValue("V", {platform::kRegSz, {'1', 0}}));
        ASSERT_TRUE(
            store.CreateKey(RegistryRoot::CurrentUser, "T\\B").SetValue("V", {platform::kRegSz, {'2', 0}}));
        EXPECT_EQ(store.DeleteTree(RegistryRoot::CurrentUser, "T\\B"), RegistryStatus::Ok);
        ASSERT_TRUE(store.CommitTransaction());
        EXPECT_FALSE(store.CommitTransaction());
    }
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\T\\A\\V"), "1");
    CStringArray keys;
    ASSERT_TRUE(ReadRegistrySubKeys("HKEY_CURRENT_USER\\T", keys));
    EXPECT_EQ(keys, CStringArray{"A"});
}

TEST_F(RegistryStoreTest, ReadsNeverMakeTheFile) {
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\K\\V"), "");
    CStringArray keys;
    EXPECT_FALSE(ReadRegistrySubKeys("HKEY_CURRENT_USER", keys));
    EXPECT_FALSE(std::filesystem::exists(registry_.StorePath()));
    ASSERT_TRUE(WriteRegistryDWord("HKEY_CURRENT_USER\\K\\V", 1));
    EXPECT_TRUE(std::filesystem::exists(registry_.StorePath()));
    EXPECT_EQ(CRegistryStore::Location(), registry_.StorePath());
}

TEST_F(RegistryStoreTest, AnEmptyFileBecomesTheStore) {
    test::WriteFileBytes(registry_.StorePath(), "");
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\K\\V"), "");
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\K\\V", "v", false));
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\K\\V"), "v");
}

void ExpectUnusable(const std::string& description) {
    SCOPED_TRACE(description);
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\K\\V"), "");
    EXPECT_EQ(ReadRegistryDWord("HKEY_CURRENT_USER\\K\\V"), 0U);
    EXPECT_FALSE(WriteRegistryString("HKEY_CURRENT_USER\\K\\V", "x", false));
    EXPECT_FALSE(WriteRegistryDWord("HKEY_CURRENT_USER\\K\\V", 1));
    CStringArray keys;
    EXPECT_FALSE(ReadRegistrySubKeys("HKEY_CURRENT_USER", keys));
    EXPECT_FALSE(DeleteRegistryKey("HKEY_CURRENT_USER\\K"));
    CRegistryStore store;
    EXPECT_FALSE(store.BeginTransaction());
}

TEST_F(RegistryStoreTest, ACorruptFileFailsLikeAMissingValueAndIsLeftAlone) {
    std::string garbage;
    for (int i = 0; i < 512; ++i) {
        garbage += "not a registry ";
    }
    test::WriteFileBytes(registry_.StorePath(), garbage);
    ExpectUnusable("garbage");
    EXPECT_EQ(test::ReadFileBytes(registry_.StorePath()), garbage);

    // A store whose pages were overwritten after the header.
    std::filesystem::remove(registry_.StorePath());
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\Other\\V", std::string(20000, 'v'), false));
    const std::string whole = test::ReadFileBytes(registry_.StorePath());
    test::WriteFileBytes(registry_.StorePath(),
                         whole.substr(0, 100) + std::string(whole.size() - 100, '\xAA'));
    ExpectUnusable("damaged pages");
}

TEST_F(RegistryStoreTest, AnUnopenablePathFailsQuietly) {
    test::ScopedEnvironment missingFolder("TESSALY_REGISTRY",
                                          (registry_.Folder() / "no" / "such.db").string());
    ExpectUnusable("missing folder");
    test::ScopedEnvironment folder("TESSALY_REGISTRY", registry_.Folder().string());
    ExpectUnusable("a folder");
}

TEST(RegistryStoreLocation, DefaultsToTheSystemFile) {
    test::ScopedEnvironment empty("TESSALY_REGISTRY", "");
    EXPECT_EQ(CRegistryStore::Location(), "/var/lib/tessaly/registry.db");
}

}  // namespace
}  // namespace tessaly
