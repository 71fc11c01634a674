// Registry operations over the file store: the behaviour the settings and station code rely on.
// The operations on values and keys are the steps of data/store.txt.
#include <gtest/gtest.h>

#include <map>

#include "common/TextEncoding.h"
#include "common/registry/Registry.h"
#include "common/registry/RegistryPath.h"
#include "platform/RegistryStore.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

using platform::CRegistryKey;
using platform::CRegistryStore;
using platform::RegistryAccess;
using platform::RegistryStatus;
using platform::RegistryValue;

CByteArray Bytes(const std::string& hex) {
    CByteArray bytes;
    return ParseHex(hex, bytes) ? bytes : CByteArray{0xBA, 0xD0};
}

class RegistryStoreTest : public ::testing::Test {
protected:
    // The key of a path in the session's store.
    CRegistryKey KeyOf(const CRegistryPath& path, bool create, RegistryAccess access = RegistryAccess::Read) {
        return create ? m_store->CreateKey(*path.Root(), path.KeyPath())
                      : m_store->OpenKey(*path.Root(), path.KeyPath(), access);
    }

    test::CTempRegistry m_registry;
    std::unique_ptr<CRegistryStore> m_store = std::make_unique<CRegistryStore>();
    std::map<std::string, CRegistryKey> m_keys;
    std::unique_ptr<test::CScopedEnvironment> m_place;  // where the store is, when a step moved it
};

const char* StatusName(RegistryStatus status) {
    return status == RegistryStatus::Ok ? "ok" : status == RegistryStatus::NotFound ? "notfound" : "failed";
}

TEST_F(RegistryStoreTest, OperationsDoWhatTheStepsSay) {
    std::ifstream file(TESSALY_REGISTRY_DATA "/store.txt");
    int steps = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        ++steps;
        SCOPED_TRACE(line);
        std::vector<std::string> f = test::DataFields(line);
        f.resize(4);
        const std::string& op = f[0];
        const CRegistryPath path(f[1], false);
        RegistryValue value;
        CStringArray keys = {"stale"};
        std::string joined;
        if (op == "sz" || op == "expand") {
            EXPECT_TRUE(WriteRegistryString(f[1], f[2], op == "expand"));
        } else if (op == "dword") {
            EXPECT_TRUE(WriteRegistryDWord(f[1], std::stoul(f[2], nullptr, 0)));
        } else if (op == "raw") {
            EXPECT_TRUE(
                KeyOf(path, true)
                    .SetValue(path.ValueName(), {static_cast<std::uint32_t>(std::stoul(f[2])), Bytes(f[3])}));
        } else if (op == "fails") {
            EXPECT_FALSE(WriteRegistryString(f[1], "x", false));
            EXPECT_FALSE(WriteRegistryDWord(f[1], 1));
        } else if (op == "string" || op == "text") {
            EXPECT_EQ(op == "text" ? ReadRegistryText(f[1]) : ReadRegistryString(f[1]), f[2]);
        } else if (op == "bytes") {
            const std::string text = ReadRegistryString(f[1]);
            EXPECT_EQ(CByteArray(text.begin(), text.end()), Bytes(f[2]));
        } else if (op == "number") {
            EXPECT_EQ(ReadRegistryDWord(f[1]), std::stoul(f[2], nullptr, 0));
        } else if (op == "stored") {
            EXPECT_TRUE(KeyOf(path, false).QueryValue(path.ValueName(), value));
            EXPECT_EQ(value, (RegistryValue{static_cast<std::uint32_t>(std::stoul(f[2])), Bytes(f[3])}));
        } else if (op == "keys" || op == "nokeys" || op == "values") {
            std::vector<platform::NamedRegistryValue> values;
            EXPECT_EQ(op == "values" ? KeyOf(CRegistryPath(f[1], true), false).EnumValues(values)
                                     : ReadRegistrySubKeys(f[1], keys),
                      op != "nokeys");
            for (const std::string& name : op == "values" ? CStringArray{} : keys) {
                joined += (joined.empty() ? "" : ", ") + name;
            }
            for (const platform::NamedRegistryValue& named : values) {
                joined += (joined.empty() ? "" : ", ") + named.name;
            }
            EXPECT_EQ(joined, f[2]);
        } else if (op == "delete") {
            EXPECT_EQ(DeleteRegistryKey(f[1]), f[2] == "yes");
        } else if (op == "begin" || op == "commit") {
            EXPECT_EQ(op == "begin" ? m_store->BeginTransaction() : m_store->CommitTransaction(),
                      f[1] == "yes");
        } else if (op == "rollback" || op == "drop") {
            op == "rollback" ? m_store->RollbackTransaction()
                             : void(m_store = std::make_unique<CRegistryStore>());
        } else if (op == "deletetree") {
            const CRegistryPath key(f[1], true);
            EXPECT_STREQ(StatusName(m_store->DeleteTree(*key.Root(), key.KeyPath())), f[2].c_str());
        } else if (op == "open") {
            const auto access = f[3] == "read" ? RegistryAccess::Read : RegistryAccess::Write;
            m_keys[f[1]] = KeyOf(CRegistryPath(f[2], true), false, access);
        } else if (op == "set" || op == "query") {
            CRegistryKey& key = m_keys.at(f[1]);
            const bool done =
                op == "set" ? key.SetValue(f[2], {platform::kRegSz, {'y', 0}}) : key.QueryValue(f[2], value);
            EXPECT_EQ(done, f[3] == "yes");
        } else if (op == "file") {
            const std::string store = test::ReadFileBytes(m_registry.StorePath());
            test::WriteFileBytes(m_registry.StorePath(),
                                 f[1] == "empty" ? ""
                                 : f[1] == "garbage"
                                     ? std::string(8192, 'x')
                                     : store.substr(0, 100) + std::string(store.size() - 100, '\xAA'));
        } else if (op == "exists") {  // reads and failed writes never make the file
            EXPECT_EQ(std::filesystem::exists(m_registry.StorePath()), f[1] == "yes");
        } else if (op == "storeat") {
            const std::string at = f[1] == "folder"    ? m_registry.Folder().string()
                                   : f[1] == "nowhere" ? (m_registry.Folder() / "no" / "such.db").string()
                                                       : f[1];
            m_place.reset();  // the old place first: it puts back what it found
            m_place = std::make_unique<test::CScopedEnvironment>("TESSALY_REGISTRY", at);
            EXPECT_EQ(CRegistryStore::Location(), at.empty() ? "/var/lib/tessaly/registry.db" : at);
        } else if (op == "unusable") {
            const std::string before = test::ReadFileBytes(m_registry.StorePath());
            EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\K\\V"), "");
            EXPECT_FALSE(WriteRegistryString("HKEY_CURRENT_USER\\K\\V", "x", false));
            EXPECT_FALSE(WriteRegistryDWord("HKEY_CURRENT_USER\\K\\V", 1));
            EXPECT_FALSE(ReadRegistrySubKeys("HKEY_CURRENT_USER", keys));
            EXPECT_FALSE(DeleteRegistryKey("HKEY_CURRENT_USER\\K"));
            EXPECT_FALSE(CRegistryStore().BeginTransaction());
            EXPECT_EQ(test::ReadFileBytes(m_registry.StorePath()), before);  // left alone
        } else if (op == "keeps") {  // a failed read leaves its output alone
            std::uint32_t number = 7;
            CString text = "kept";
            EXPECT_FALSE(CRegistryPath(f[1], false).GetDWord(number) ||
                         CRegistryPath(f[1], false).GetString(text));
            EXPECT_EQ(std::to_string(number) + text, "7kept");
        } else {
            ASSERT_EQ(op, "deletevalue");
            EXPECT_STREQ(StatusName(m_keys.at(f[1]).DeleteValue(f[2])), f[3].c_str());
        }
    }
    EXPECT_GE(steps, 60);
}

TEST_F(RegistryStoreTest, NamesFoldOnlyAToZ) {
    ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\T\\\xE9t\xE9", "latin", false));
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\T\\\xE9T\xE9"), "latin");
    EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\T\\\xC9t\xC9"), "");
}

}  // namespace
}  // namespace tessaly
