// The station list in the registry: which sub-keys count, the 16-bit ports and what a save leaves.
#include <gtest/gtest.h>

#include "common/registry/Registry.h"
#include "keystations/StationConfiguration.h"
#include "platform/RegistryStore.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

const CString kBase = kBrantwickKey;

void WriteStation(const char* subKey, const char* reader, std::optional<std::uint32_t> port) {
    ASSERT_TRUE(WriteRegistryString(kBase + "\\" + subKey + "\\ReaderName", reader, false));
    if (port) {
        ASSERT_TRUE(WriteRegistryDWord(kBase + "\\" + subKey + "\\Port", *port));
    }
}

CStringArray SubKeys() {
    CStringArray names;
    ReadRegistrySubKeys(kBase, names);
    return names;
}

class StationConfigurationTest : public ::testing::Test {
protected:
    test::TempRegistry registry;
};

TEST_F(StationConfigurationTest, NoKeyMeansNoStations) {
    EXPECT_TRUE(LoadConfiguration(kBase).empty());
    ASSERT_TRUE(WriteRegistryString(kBase + "\\StationKey", "x", false));
    EXPECT_TRUE(LoadConfiguration(kBase).empty());
}

TEST_F(StationConfigurationTest, EverySubKeyBeginningWithServerCountsInListingOrder) {
    WriteStation("Server0", "Reader A", 5001);
    WriteStation("server7", "Reader B", 5002);
    WriteStation("Servers", "Reader C", 5003);
    WriteStation("Other", "Reader D", 5004);
    WriteStation("Serve", "Reader E", 5005);
    const std::vector<KeyStationEntry> entries = LoadConfiguration(kBase);
    // The registry lists sub-keys by their upper-cased names: SERVER0, SERVER7, SERVERS.
    const std::vector<KeyStationEntry> expected = {
        {"Reader A", 5001}, {"Reader B", 5002}, {"Reader C", 5003}};
    EXPECT_EQ(entries, expected);
}

TEST_F(StationConfigurationTest, SaveWritesServer0OnwardsAndRemovesTheOldKeys) {
    WriteStation("Server0", "Reader A", 5001);
    WriteStation("server7", "Reader B", 5002);
    WriteStation("Servers", "Reader C", 5003);
    WriteStation("Other", "Reader D", 5004);
    ASSERT_TRUE(SaveConfiguration(kBase, LoadConfiguration(kBase)));
    EXPECT_EQ(SubKeys(), (CStringArray{"Other", "Server0", "Server1", "Server2"}));
    EXPECT_EQ(ReadRegistryString(kBase + "\\Server1\\ReaderName"), "Reader B");
    EXPECT_EQ(ReadRegistryDWord(kBase + "\\Server2\\Port"), 5003U);
    EXPECT_EQ(ReadRegistryString(kBase + "\\Other\\ReaderName"), "Reader D");

    ASSERT_TRUE(SaveConfiguration(kBase, {{"Reader Z", 7}}));
    EXPECT_EQ(SubKeys(), (CStringArray{"Other", "Server0"}));
    ASSERT_TRUE(SaveConfiguration(kBase, {}));
    EXPECT_EQ(SubKeys(), (CStringArray{"Other"}));
}

TEST_F(StationConfigurationTest, MissingValuesReadAsEmptyAndZero) {
    WriteStation("Server3", "Reader A", std::nullopt);
    ASSERT_TRUE(WriteRegistryDWord(kBase + "\\Server4\\Port", 6000));
    ASSERT_TRUE(WriteRegistryString(kBase + "\\Server5\\Port", "6001", false));  // not a number
    const std::vector<KeyStationEntry> expected = {{"Reader A", 0}, {"", 6000}, {"", 0}};
    EXPECT_EQ(LoadConfiguration(kBase), expected);
}

TEST_F(StationConfigurationTest, PortsAreTheLow16BitsAndSaveSignExtends) {
    WriteStation("Server0", "Reader A", 0x12345);
    WriteStation("Server1", "Reader B", 40000);
    const std::vector<KeyStationEntry> entries = LoadConfiguration(kBase);
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].UnsignedPort(), 0x2345);
    EXPECT_EQ(entries[1].UnsignedPort(), 40000);
    EXPECT_EQ(entries[1].port, -25536);

    ASSERT_TRUE(SaveConfiguration(kBase, entries));
    EXPECT_EQ(ReadRegistryDWord(kBase + "\\Server1\\Port"), 0xFFFF9C40U);
    EXPECT_EQ(ReadRegistryDWord(kBase + "\\Server0\\Port"), 0x2345U);
    EXPECT_EQ(LoadConfiguration(kBase)[1].UnsignedPort(), 40000);
}

TEST_F(StationConfigurationTest, ReaderNamesAreWrittenAsPlainStrings) {
    ASSERT_TRUE(SaveConfiguration(kBase, {{"Lab Contact 00 00", 5001}}));
    platform::RegistryStore store;
    platform::RegistryValue value;
    ASSERT_TRUE(store
                    .OpenKey(platform::RegistryRoot::LocalMachine, "SOFTWARE\\TESSALY\\Brantwick\\Server0",
                             platform::RegistryAccess::Read)
                    .QueryValue("ReaderName", value));
    EXPECT_EQ(value.type, platform::kRegSz);
}

TEST_F(StationConfigurationTest, AStoreThatCannotBeWrittenIsReported) {
    if (!test::RegistryIsFileStore()) {
        GTEST_SKIP() << "the file store only";
    }
    test::ScopedEnvironment broken("TESSALY_REGISTRY", (registry.Folder() / "missing" / "r.db").string());
    EXPECT_FALSE(SaveConfiguration(kBase, {{"Reader A", 5001}}));
    EXPECT_TRUE(LoadConfiguration(kBase).empty());
}

}  // namespace
}  // namespace tessaly
