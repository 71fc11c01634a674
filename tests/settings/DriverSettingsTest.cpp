// The driver's settings: defaults, blanks, wrong types, ports out of range and what is written back.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/registry/Registry.h"
#include "driver/settings/DriverSettings.h"
#include "platform/RegistryStore.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

std::string Path(const char* name) {
    return std::string(DriverSettings::kKeyPath) + name;
}

// The values under the settings key as "Name=type:value" in the order they were first written:
// texts without their terminator (which must be there), numbers in decimal. Wine's registry lists
// values by name, so there they are compared in that order.
std::string StoredValues() {
    std::vector<platform::NamedRegistryValue> values;
    platform::CRegistryStore()
        .OpenKey(platform::RegistryRoot::LocalMachine, "SOFTWARE\\Tessaly\\Halcyra",
                 platform::RegistryAccess::Read)
        .EnumValues(values);
    if (!test::RegistryIsFileStore()) {
        std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    }
    std::string text;
    for (const auto& [name, value] : values) {
        const auto& d = value.data;
        text += (text.empty() ? "" : "|") + name + "=" + std::to_string(value.type) + ":" +
                (value.type == platform::kRegDword && d.size() == 4
                     ? std::to_string(d[0] | d[1] << 8 | d[2] << 16 | d[3] << 24)
                     : (!d.empty() && d.back() == 0 ? std::string(d.begin(), d.end() - 1) : "?"));
    }
    return text;
}

// Expected values, "Name=type:value|..." in the order written, in the store's listing order.
std::string Listed(const std::string& expected) {
    std::vector<std::string> entries = test::DataFields(expected);
    if (!test::RegistryIsFileStore()) {
        std::sort(entries.begin(), entries.end());
    }
    std::string text;
    for (const std::string& entry : entries) {
        text += (text.empty() ? "" : "|") + entry;
    }
    return text;
}

// Every field as one text, for comparing whole snapshots.
std::string Fields(const DriverSettings& s) {
    return s.ObjectCommunicatorIp() + "|" + std::to_string(s.ObjectCommunicatorPort()) + "|" +
           s.PrinterName() + "|" + s.StationName() + "|" + s.ReaderId() + "|" + s.PiccReaderId() + "|" +
           s.ExtReaderId() + "|" + s.InstallPath() + "|" + std::to_string(s.RegisterByName()) + "|" +
           std::to_string(s.SuppressDialogs());
}

class DriverSettingsTest : public ::testing::Test {
protected:
    test::CTempRegistry m_registry;
};

TEST_F(DriverSettingsTest, NoKeyOrAnUnusableRegistryGivesTheDefaults) {
    EXPECT_EQ(Fields(DriverSettings()), "127.0.0.1|1500|Simulator|STA1|||||0|0");
    if (!test::RegistryIsFileStore()) {
        return;  // the rest spoils the store file
    }
    EXPECT_FALSE(std::filesystem::exists(m_registry.StorePath()));  // reading writes nothing
    test::WriteFileBytes(m_registry.StorePath(), std::string(1024, 'x'));
    DriverSettings settings;
    EXPECT_EQ(Fields(settings), "127.0.0.1|1500|Simulator|STA1|||||0|0");
    settings.SaveAll();  // lost quietly
    EXPECT_EQ(test::ReadFileBytes(m_registry.StorePath()), std::string(1024, 'x'));
}

TEST_F(DriverSettingsTest, ReadsEveryValue) {
    ASSERT_TRUE(WriteRegistryString(Path("ObjectCommunicatorIp"), "10.20.30.40", false));
    ASSERT_TRUE(WriteRegistryDWord(Path("ObjectCommunicatorPort"), 65535));
    ASSERT_TRUE(WriteRegistryString(Path("PrinterName"), "PS-07", false));
    ASSERT_TRUE(WriteRegistryString(Path("StationName"), "STA9", false));
    ASSERT_TRUE(WriteRegistryString(Path("ReaderId"), "ACS 00 00", false));
    ASSERT_TRUE(WriteRegistryString(Path("PiccReaderId"), " SCM SCL011 00 00 ", false));
    ASSERT_TRUE(WriteRegistryString(Path("ExtReaderId"), "Key Reader 01 00", false));
    ASSERT_TRUE(WriteRegistryString(Path("InstallPath"), "C:\\Tessaly\\", true));
    ASSERT_TRUE(WriteRegistryDWord(Path("RegisterByName"), 5));
    ASSERT_TRUE(WriteRegistryDWord(Path("SuppressDialogs"), 1));
    // Reader names that are not blank are kept as they are, blanks included.
    EXPECT_EQ(Fields(DriverSettings()),
              "10.20.30.40|65535|PS-07|STA9|ACS 00 00| SCM SCL011 00 00 |Key Reader 01 00|C:\\Tessaly\\|5|1");
}

TEST_F(DriverSettingsTest, BlanksWrongTypesAndPortsOutOfRangeTakeTheDefaults) {
    ASSERT_TRUE(WriteRegistryString(Path("PrinterName"), "\t\r\n\v\f ", false));
    ASSERT_TRUE(WriteRegistryString(Path("StationName"), "", false));
    ASSERT_TRUE(WriteRegistryString(Path("ReaderId"), "  ", false));
    ASSERT_TRUE(WriteRegistryString(Path("InstallPath"), " \t", false));
    ASSERT_TRUE(WriteRegistryString(Path("RegisterByName"), "1", false));
    EXPECT_EQ(Fields(DriverSettings()), "127.0.0.1|1500|Simulator|STA1|||||0|0");
    // The address without the blanks around it; a port no TCP connection can use counts as none.
    const std::tuple<const char*, std::uint32_t, const char*> cases[] = {
        {"   ", 0, "127.0.0.1:1500"},
        {" 10.1.2.3\t", 1, "10.1.2.3:1"},
        {"10.0.0.1", 65536, "10.0.0.1:1500"},
        {"\n192.168.0.9 ", 0xFFFFFFFF, "192.168.0.9:1500"},
    };
    for (const auto& [ip, port, expected] : cases) {
        ASSERT_TRUE(WriteRegistryString(Path("ObjectCommunicatorIp"), ip, false));
        ASSERT_TRUE(WriteRegistryDWord(Path("ObjectCommunicatorPort"), port));
        const DriverSettings settings;
        EXPECT_EQ(settings.ObjectCommunicatorIp() + ":" + std::to_string(settings.ObjectCommunicatorPort()),
                  expected);
    }
    ASSERT_TRUE(WriteRegistryString(Path("ObjectCommunicatorPort"), "1600", false));
    EXPECT_EQ(DriverSettings().ObjectCommunicatorPort(), 1500U);
}

TEST_F(DriverSettingsTest, SaveAllWritesWhatWasReadDefaultsIncludedButNeverTheInstallPath) {
    // As after a registration: only the install path exists; the new printer name is set.
    ASSERT_TRUE(WriteRegistryString(Path("InstallPath"), "%ProgramFiles%\\Tessaly", true));
    ASSERT_TRUE(WriteRegistryString(Path("ReaderId"), "  ", false));
    DriverSettings settings;
    settings.SetPrinterName("PS-12");
    settings.SaveAll();
    EXPECT_EQ(StoredValues(),
              Listed("InstallPath=2:%ProgramFiles%\\Tessaly|ReaderId=1:|ObjectCommunicatorIp=1:127.0.0.1|"
                     "ObjectCommunicatorPort=4:1500|PrinterName=1:PS-12|StationName=1:STA1|PiccReaderId=1:|"
                     "ExtReaderId=1:|RegisterByName=4:0|SuppressDialogs=4:0"));
    // The configuration utility's edits reach the next snapshot; a snapshot does not follow.
    settings.SetObjectCommunicatorIp("192.168.1.5");
    settings.SetObjectCommunicatorPort(40000);
    settings.SetPiccReaderId("SCM SCL011 00 00");
    settings.SetExtReaderId("Key Reader 01 00");
    settings.SetReaderId("ACS 00 00");
    const DriverSettings before;
    settings.SaveAll();
    EXPECT_EQ(before.ObjectCommunicatorIp(), "127.0.0.1");
    EXPECT_EQ(Fields(DriverSettings()),
              "192.168.1.5|40000|PS-12|STA1|ACS 00 00|SCM SCL011 00 00|Key Reader 01 "
              "00|%ProgramFiles%\\Tessaly|0|0");
}

TEST_F(DriverSettingsTest, SavePrinterNameAndModeWritesOnlyThose) {
    DriverSettings settings;
    settings.SetPrinterName("HOST-PC");
    settings.SetRegisterByName(1);
    settings.SavePrinterNameAndMode();
    EXPECT_EQ(StoredValues(), "PrinterName=1:HOST-PC|RegisterByName=4:1");
}

}  // namespace
}  // namespace tessaly
