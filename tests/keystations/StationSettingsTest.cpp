// BindAddress, AllowedClients and StationKey: defaults, the development key warning, and malformed
// values that stop the stations instead of falling back.
#include <gtest/gtest.h>

#include "common/registry/Registry.h"
#include "keystations/StationConfiguration.h"
#include "keystations/StationSettings.h"
#include "tests/registry/TempRegistry.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

const CString kBase = kBrantwickKey;

void Set(const char* name, const CString& text) {
    ASSERT_TRUE(WriteRegistryString(kBase + "\\" + name, text, false));
}

// The envelope of an empty block under `context`: what tells two keys apart.
CByteArray EmptyEnvelope(const CCipherContext& context) {
    CByteArray out;
    EXPECT_TRUE(EncryptEnvelope(context, {}, out));
    return out;
}

class StationSettingsTest : public ::testing::Test {
protected:
    std::optional<LoadedStationSettings> Load() {
        error.clear();
        warnings.clear();
        return LoadStationSettings(kBase, error, warnings);
    }

    test::TempRegistry registry;
    CString error;
    CStringArray warnings;
};

TEST_F(StationSettingsTest, NothingSetMeansAllAddressesEveryoneAndTheDevelopmentKeyWithAWarning) {
    const auto settings = Load();
    ASSERT_TRUE(settings.has_value()) << error;
    EXPECT_TRUE(settings->options.bindAddress.empty());
    EXPECT_EQ(settings->options.clients, nullptr);
    EXPECT_TRUE(settings->developmentKey);
    ASSERT_NE(settings->options.cipher, nullptr);
    EXPECT_EQ(EmptyEnvelope(*settings->options.cipher),
              EmptyEnvelope(CCipherContext(DevelopmentStationKey())));
    ASSERT_EQ(warnings.size(), 1U);
    EXPECT_EQ(
        warnings[0],
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\StationKey is not set: Diversify Keys replies "
        "are enciphered with the published development key. Set StationKey (48 hexadecimal digits, the "
        "host's key) on every production installation.");
}

TEST_F(StationSettingsTest, ValidValuesAreTaken) {
    const CString key = "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123";
    Set("StationKey", key);
    Set("BindAddress", " 127.0.0.1 ");
    Set("AllowedClients", "10.0.0.0/8, 127.0.0.1");
    const auto settings = Load();
    ASSERT_TRUE(settings.has_value()) << error;
    EXPECT_TRUE(warnings.empty());
    EXPECT_FALSE(settings->developmentKey);
    EXPECT_EQ(settings->options.bindAddress, "127.0.0.1");
    ASSERT_NE(settings->options.clients, nullptr);
    EXPECT_TRUE(settings->options.clients->Allows("127.0.0.1"));
    EXPECT_FALSE(settings->options.clients->Allows("192.168.1.1"));
    EXPECT_EQ(EmptyEnvelope(*settings->options.cipher), EmptyEnvelope(CCipherContext(*ParseStationKey(key))));
    EXPECT_NE(EmptyEnvelope(*settings->options.cipher),
              EmptyEnvelope(CCipherContext(DevelopmentStationKey())));
}

TEST_F(StationSettingsTest, BlankValuesAreNotSet) {
    Set("BindAddress", "  ");
    Set("AllowedClients", "");
    const auto settings = Load();
    ASSERT_TRUE(settings.has_value()) << error;
    EXPECT_TRUE(settings->options.bindAddress.empty());
    EXPECT_EQ(settings->options.clients, nullptr);
}

struct Malformed {
    const char* name;
    const char* value;
    const char* error;
};

TEST_F(StationSettingsTest, MalformedValuesAreErrorsNeverFallbacks) {
    const Malformed cases[] = {
        {"StationKey", "0123",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\StationKey is not 48 hexadecimal digits"},
        {"StationKey", "",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\StationKey is not 48 hexadecimal digits"},
        {"StationKey", "0123456789ABCDEF23456789ABCDEF01456789ABCDEF012G",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\StationKey is not 48 hexadecimal digits"},
        {"BindAddress", "localhost",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\BindAddress \"localhost\" is not a "
         "dotted-decimal IPv4 "
         "address"},
        {"AllowedClients", "10.0.0.0/8 *",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\AllowedClients: \"*\" is not an IPv4 address or "
         "an "
         "address/prefix (for example 10.1.2.0/24)"},
    };
    for (const Malformed& c : cases) {
        test::TempRegistry fresh;
        Set(c.name, c.value);
        EXPECT_FALSE(Load().has_value()) << c.name << "=" << c.value;
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(StationSettingsTest, TheKeyNeverAppearsInAnError) {
    const CString key = "0123456789ABCDEF23456789ABCDEF01456789ABCDEF01";  // 46 digits
    Set("StationKey", key);
    EXPECT_FALSE(Load().has_value());
    EXPECT_EQ(error.find("0123456789"), CString::npos);
}

}  // namespace
}  // namespace tessaly
