// The driver's settings: defaults, blanks, wrong types and what is written back.
#include <gtest/gtest.h>

#include "common/registry/Registry.h"
#include "driver/settings/DriverSettings.h"
#include "platform/RegistryStore.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

using platform::RegistryRoot;
using platform::RegistryValue;

constexpr const char* kKey = "SOFTWARE\\Tessaly\\Halcyra";

std::string Path(const char* name) {
    return std::string(DriverSettings::kKeyPath) + name;
}

// The values under the settings key, name and stored form, in the order they were first written.
std::vector<platform::NamedRegistryValue> StoredValues() {
    platform::CRegistryStore store;
    std::vector<platform::NamedRegistryValue> values;
    store.OpenKey(RegistryRoot::LocalMachine, kKey, platform::RegistryAccess::Read).EnumValues(values);
    return values;
}

RegistryValue Sz(const std::string& text) {
    RegistryValue value{platform::kRegSz, {text.begin(), text.end()}};
    value.data.push_back(0);
    return value;
}

RegistryValue Dword(std::uint32_t number) {
    return {platform::kRegDword,
            {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
             static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}

class DriverSettingsTest : public ::testing::Test {
protected:
    test::TempRegistry registry_;
};

TEST_F(DriverSettingsTest, NoKeyGivesTheDefaults) {
    const DriverSettings settings;
    EXPECT_EQ(settings.ObjectCommunicatorIp(), "127.0.0.1");
    EXPECT_EQ(settings.ObjectCommunicatorPort(), 1500U);
    EXPECT_EQ(settings.PrinterName(), "Simulator");
    EXPECT_EQ(settings.StationName(), "STA1");
    EXPECT_EQ(settings.ReaderId(), "");
    EXPECT_EQ(settings.PiccReaderId(), "");
    EXPECT_EQ(settings.ExtReaderId(), "");
    EXPECT_EQ(settings.InstallPath(), "");
    EXPECT_EQ(settings.RegisterByName(), 0U);
    EXPECT_EQ(settings.SuppressDialogs(), 0U);
    EXPECT_FALSE(std::filesystem::exists(registry_.StorePath()));  // reading writes nothing
}

TEST_F(DriverSettingsTest, ReadsEveryValue) {
    ASSERT_TRUE(WriteRegistryString(Path("ObjectCommunicatorIp"), "10.20.30.40", false));
    ASSERT_TRUE(WriteRegistryDWord(Path("ObjectCommunicatorPort"), 2600));
    ASSERT_TRUE(WriteRegistryString(Path("PrinterName"), "PS-07", false));
    ASSERT_TRUE(WriteRegistryString(Path("StationName"), "STA9", false));
    ASSERT_TRUE(WriteRegistryString(Path("ReaderId"), "ACS ACR38U 00 00", false));
    ASSERT_TRUE(WriteRegistryString(Path("PiccReaderId"), "SCM SCL011 00 00", false));
    ASSERT_TRUE(WriteRegistryString(Path("ExtReaderId"), "Key Reader 01 00", false));
    ASSERT_TRUE(WriteRegistryString(Path("InstallPath"), "C:\\Tessaly\\", true));
    ASSERT_TRUE(WriteRegistryDWord(Path("RegisterByName"), 5));
    ASSERT_TRUE(WriteRegistryDWord(Path("SuppressDialogs"), 1));
    const DriverSettings settings;
    EXPECT_EQ(settings.ObjectCommunicatorIp(), "10.20.30.40");
    EXPECT_EQ(settings.ObjectCommunicatorPort(), 2600U);
    EXPECT_EQ(settings.PrinterName(), "PS-07");
    EXPECT_EQ(settings.StationName(), "STA9");
    EXPECT_EQ(settings.ReaderId(), "ACS ACR38U 00 00");
    EXPECT_EQ(settings.PiccReaderId(), "SCM SCL011 00 00");
    EXPECT_EQ(settings.ExtReaderId(), "Key Reader 01 00");
    EXPECT_EQ(settings.InstallPath(), "C:\\Tessaly\\");
    EXPECT_EQ(settings.RegisterByName(), 5U);
    EXPECT_EQ(settings.SuppressDialogs(), 1U);
}

TEST_F(DriverSettingsTest, BlanksAndWrongTypesTakeTheDefaults) {
    ASSERT_TRUE(WriteRegistryString(Path("ObjectCommunicatorIp"), "   ", false));
    ASSERT_TRUE(WriteRegistryString(Path("ObjectCommunicatorPort"), "1600", false));
    ASSERT_TRUE(WriteRegistryString(Path("PrinterName"), "\t\r\n\v\f ", false));
    ASSERT_TRUE(WriteRegistryString(Path("StationName"), "", false));
    ASSERT_TRUE(WriteRegistryString(Path("ReaderId"), "  ", false));
    ASSERT_TRUE(WriteRegistryString(Path("InstallPath"), " \t", false));
    ASSERT_TRUE(WriteRegistryString(Path("RegisterByName"), "1", false));
    ASSERT_TRUE(WriteRegistryDWord(Path("SuppressDialogs"), 0));
    ASSERT_TRUE(WriteRegistryString(Path("PiccReaderId"), " Reader ", false));
    DriverSettings settings;
    EXPECT_EQ(settings.ObjectCommunicatorIp(), "127.0.0.1");
    EXPECT_EQ(settings.ObjectCommunicatorPort(), 1500U);
    EXPECT_EQ(settings.PrinterName(), "Simulator");
    EXPECT_EQ(settings.StationName(), "STA1");
    EXPECT_EQ(settings.ReaderId(), "");
    EXPECT_EQ(settings.InstallPath(), "");
    EXPECT_EQ(settings.RegisterByName(), 0U);
    EXPECT_EQ(settings.SuppressDialogs(), 0U);
    EXPECT_EQ(settings.PiccReaderId(), " Reader ");  // not blank: kept as it is

    ASSERT_TRUE(WriteRegistryDWord(Path("ObjectCommunicatorPort"), 0));
    settings.Load();
    EXPECT_EQ(settings.ObjectCommunicatorPort(), 1500U);
}

TEST_F(DriverSettingsTest, ASnapshotDoesNotFollowTheRegistry) {
    DriverSettings settings;
    ASSERT_TRUE(WriteRegistryString(Path("StationName"), "STA2", false));
    EXPECT_EQ(settings.StationName(), "STA1");
    settings.Load();
    EXPECT_EQ(settings.StationName(), "STA2");
    EXPECT_EQ(DriverSettings().StationName(), "STA2");
}

TEST_F(DriverSettingsTest, SaveAllWritesWhatWasReadDefaultsIncluded) {
    // As after a registration: only the install path exists; the new printer name is set.
    ASSERT_TRUE(WriteRegistryString(Path("InstallPath"), "%ProgramFiles%\\Tessaly", true));
    ASSERT_TRUE(WriteRegistryString(Path("ReaderId"), "  ", false));
    DriverSettings settings;
    settings.SetPrinterName("PS-12");
    settings.SaveAll();

    const std::string installPath = "%ProgramFiles%\\Tessaly";
    RegistryValue expandable{platform::kRegExpandSz, {installPath.begin(), installPath.end()}};
    expandable.data.push_back(0);
    EXPECT_EQ(StoredValues(), (std::vector<platform::NamedRegistryValue>{
                                  {"InstallPath", expandable},
                                  {"ReaderId", Sz("")},
                                  {"ObjectCommunicatorIp", Sz("127.0.0.1")},
                                  {"ObjectCommunicatorPort", Dword(1500)},
                                  {"PrinterName", Sz("PS-12")},
                                  {"StationName", Sz("STA1")},
                                  {"PiccReaderId", Sz("")},
                                  {"ExtReaderId", Sz("")},
                                  {"RegisterByName", Dword(0)},
                                  {"SuppressDialogs", Dword(0)},
                              }));
}

TEST_F(DriverSettingsTest, TheConfigurationUtilitysEditsAreSaved) {
    ASSERT_TRUE(WriteRegistryDWord(Path("SuppressDialogs"), 1));
    DriverSettings settings;
    settings.SetObjectCommunicatorIp("192.168.1.5");
    settings.SetObjectCommunicatorPort(40000);
    settings.SetReaderId("");
    settings.SetPiccReaderId("SCM SCL011 00 00");
    settings.SetExtReaderId("Key Reader 01 00");
    settings.SaveAll();
    const DriverSettings again;
    EXPECT_EQ(again.ObjectCommunicatorIp(), "192.168.1.5");
    EXPECT_EQ(again.ObjectCommunicatorPort(), 40000U);
    EXPECT_EQ(again.PiccReaderId(), "SCM SCL011 00 00");
    EXPECT_EQ(again.ExtReaderId(), "Key Reader 01 00");
    EXPECT_EQ(again.SuppressDialogs(), 1U);
    EXPECT_EQ(ReadRegistryString(Path("InstallPath")), "");
}

TEST_F(DriverSettingsTest, SavePrinterNameAndModeWritesOnlyThose) {
    DriverSettings settings;
    settings.SetPrinterName("HOST-PC");
    settings.SetRegisterByName(1);
    settings.SavePrinterNameAndMode();
    EXPECT_EQ(StoredValues(), (std::vector<platform::NamedRegistryValue>{{"PrinterName", Sz("HOST-PC")},
                                                                         {"RegisterByName", Dword(1)}}));
}

TEST_F(DriverSettingsTest, AnUnusableRegistryGivesDefaultsAndLosesWritesQuietly) {
    test::WriteFileBytes(registry_.StorePath(), std::string(1024, 'x'));
    DriverSettings settings;
    EXPECT_EQ(settings.ObjectCommunicatorIp(), "127.0.0.1");
    EXPECT_EQ(settings.ObjectCommunicatorPort(), 1500U);
    settings.SetPrinterName("PS-1");
    settings.SaveAll();
    EXPECT_EQ(test::ReadFileBytes(registry_.StorePath()), std::string(1024, 'x'));
}

}  // namespace
}  // namespace tessaly
