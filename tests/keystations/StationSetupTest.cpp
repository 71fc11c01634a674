// What a key station run is set up from, over a private registry file: the station list, the three
// settings (malformed ones stop the stations instead of falling back), the AllowedClients syntax,
// the "Edit Configuration" rules, and the station ids. Each test runs in a process of its own (one
// CTest test per test), so the id counter starts fresh in every one.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>

#include "common/registry/Registry.h"
#include "keystations/BrantwickDoc.h"
#include "keystations/ClientFilter.h"
#include "keystations/EditConfiguration.h"
#include "keystations/KeyStation.h"
#include "keystations/StationConfiguration.h"
#include "keystations/StationSettings.h"
#include "platform/RegistryStore.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

const CString kBase = kBrantwickKey;

void Set(const CString& name, const CString& text) {
    ASSERT_TRUE(WriteRegistryString(kBase + "\\" + name, text, false));
}

// The envelope of an empty block: what tells two station keys apart.
CByteArray EmptyEnvelope(const CCipherContext& context) {
    CByteArray out;
    EXPECT_TRUE(EncryptEnvelope(context, {}, out));
    return out;
}

TEST(StationList, LoadsEveryServerKeyAndSavesThemRenumbered) {
    test::CTempRegistry registry;
    EXPECT_TRUE(LoadConfiguration(kBase).empty());
    for (const auto& [key, reader, port] :
         {std::tuple("Server0", "Reader A", 0x12345U), std::tuple("server7", "Reader B", 40000U),
          std::tuple("Other", "Reader D", 5004U), std::tuple("Serve", "Reader E", 5005U)}) {
        Set(CString(key) + "\\ReaderName", reader);
        ASSERT_TRUE(WriteRegistryDWord(kBase + "\\" + key + "\\Port", port));
    }
    Set("Servers\\ReaderName", "Reader C");  // no port
    Set("Server9\\Port", "6001");            // no reader, and a port that is no number
    // Listed by their upper-cased names; ports are the low 16 bits, missing values empty and 0.
    const std::vector<KeyStationEntry> loaded = LoadConfiguration(kBase);
    EXPECT_EQ(loaded, (std::vector<KeyStationEntry>{
                          {"Reader A", 0x2345}, {"Reader B", -25536}, {"", 0}, {"Reader C", 0}}));
    EXPECT_EQ(loaded[1].UnsignedPort(), 40000);

    ASSERT_TRUE(SaveConfiguration(kBase, loaded));
    CStringArray keys;
    ReadRegistrySubKeys(kBase, keys);
    EXPECT_EQ(keys, (CStringArray{"Other", "Serve", "Server0", "Server1", "Server2", "Server3"}));
    EXPECT_EQ(ReadRegistryDWord(kBase + "\\Server1\\Port"), 0xFFFF9C40U);  // sign-extended
    platform::RegistryValue value;
    ASSERT_TRUE(platform::CRegistryStore()
                    .OpenKey(platform::RegistryRoot::LocalMachine, "SOFTWARE\\TESSALY\\Brantwick\\Server1",
                             platform::RegistryAccess::Read)
                    .QueryValue("ReaderName", value));
    EXPECT_EQ(value.type, platform::kRegSz);
    EXPECT_EQ(ReadRegistryString(kBase + "\\Server1\\ReaderName"), "Reader B");
    ASSERT_TRUE(SaveConfiguration(kBase, {}));
    ReadRegistrySubKeys(kBase, keys);
    EXPECT_EQ(keys, (CStringArray{"Other", "Serve"}));

    if (test::RegistryIsFileStore()) {  // a store that cannot be written is reported
        test::CScopedEnvironment broken("TESSALY_REGISTRY",
                                        (registry.Folder() / "missing" / "r.db").string());
        EXPECT_FALSE(SaveConfiguration(kBase, {{"Reader A", 5001}}));
    }
}

TEST(StationSettings, DefaultsValuesAndMalformedValues) {
    test::CTempRegistry registry;
    CString error;
    CStringArray warnings;
    auto settings = LoadStationSettings(kBase, error, warnings);
    ASSERT_TRUE(settings.has_value()) << error;
    EXPECT_TRUE(settings->options.bindAddress.empty() && settings->options.clients == nullptr);
    EXPECT_TRUE(settings->developmentKey);
    EXPECT_EQ(EmptyEnvelope(*settings->options.cipher),
              EmptyEnvelope(CCipherContext(DevelopmentStationKey())));
    EXPECT_EQ(
        warnings,
        CStringArray{"HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\StationKey is not set: Diversify "
                     "Keys replies are enciphered with the published development key. Set StationKey "
                     "(48 hexadecimal digits, the host's key) on every production installation."});

    const CString key = "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123";
    Set("StationKey", key);
    Set("BindAddress", " 127.0.0.1 ");
    Set("AllowedClients", "10.0.0.0/8, 127.0.0.1");
    warnings.clear();
    settings = LoadStationSettings(kBase, error, warnings);
    ASSERT_TRUE(settings.has_value()) << error;
    EXPECT_TRUE(warnings.empty() && !settings->developmentKey);
    EXPECT_EQ(settings->options.bindAddress, "127.0.0.1");
    EXPECT_EQ(settings->options.clients->Describe(), "10.0.0.0/8, 127.0.0.1/32");
    EXPECT_EQ(EmptyEnvelope(*settings->options.cipher), EmptyEnvelope(CCipherContext(*ParseStationKey(key))));
    Set("BindAddress", "  ");  // blank is not set
    Set("AllowedClients", "");
    settings = LoadStationSettings(kBase, error, warnings);
    ASSERT_TRUE(settings.has_value()) << error;
    EXPECT_TRUE(settings->options.bindAddress.empty() && settings->options.clients == nullptr);

    const std::pair<const char*, const char*> malformed[] = {
        {"StationKey", "0123456789ABCDEF23456789ABCDEF01456789ABCDEF01"},  // 46 digits
        {"StationKey", "0123456789ABCDEF23456789ABCDEF01456789ABCDEF012G"},
        {"BindAddress", "localhost"},
        {"AllowedClients", "10.0.0.0/8 *"},
    };
    const CString prefix = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\";
    const CString errors[] = {
        prefix + "StationKey is not 48 hexadecimal digits",
        prefix + "StationKey is not 48 hexadecimal digits",
        prefix + "BindAddress \"localhost\" is not a dotted-decimal IPv4 address",
        prefix +
            "AllowedClients: \"*\" is not an IPv4 address or an address/prefix (for example 10.1.2.0/24)",
    };
    for (std::size_t i = 0; i < std::size(malformed); ++i) {
        test::CTempRegistry fresh;
        Set(malformed[i].first, malformed[i].second);
        EXPECT_FALSE(LoadStationSettings(kBase, error, warnings).has_value()) << malformed[i].second;
        EXPECT_EQ(error, errors[i]);  // never the key itself
    }
}

TEST(ClientFilter, MatchesAddressesAndNetworksAndRefusesTypingErrors) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"127.0.0.1", "127.0.0.1", true},
        {"127.0.0.1", "127.0.0.2", false},
        {"10.1.2.0/24", "10.1.2.255", true},
        {"10.1.2.0/24", "10.1.3.0", false},
        {"10.1.2.77/24", "10.1.2.1", true},  // host bits of the network are ignored
        {"192.168.0.5;10.0.0.0/8", "10.200.1.1", true},
        {"192.168.0.5  10.0.0.0/8", "192.168.0.6", false},
        {"1.2.3.4/31", "1.2.3.5", true},
        {"0.0.0.0/0", "203.0.113.9", true},
        {"10.0.0.0/8", "not an address", false},
        {" , ;", "198.51.100.1", true},  // blank: everyone
    };
    CString error;
    for (const auto& [list, client, allowed] : cases) {
        const auto filter = CClientFilter::Parse(list, error);
        ASSERT_TRUE(filter.has_value()) << list << ": " << error;
        EXPECT_EQ(filter->Allows(client), allowed) << list << " / " << client;
    }
    for (const char* list :
         {"10.0.0.0/33", "10.0.0/8", "10.0.0.1/", "10.0.0.0/-1", "300.1.1.1", "127.0.0.1, x.y"}) {
        EXPECT_FALSE(CClientFilter::Parse(list, error).has_value()) << list;
    }
    EXPECT_EQ(error, "\"x.y\" is not an IPv4 address or an address/prefix (for example 10.1.2.0/24)");
    const std::pair<const char*, const char*> described[] = {
        {"", "everyone"},
        {"10.1.2.77/24 127.0.0.1", "10.1.2.0/24, 127.0.0.1/32"},  // every octet in its place
    };
    for (const auto& [list, text] : described) {
        EXPECT_EQ(CClientFilter::Parse(list, error)->Describe(), text) << list;
    }
}

TEST(EditConfiguration, OffersProposesAddsAndRemovesByTheDialogsRules) {
    const CStringArray readers = {"Lab Contact 00 01", "Lab Contact 00 00", "alpha reader", "Zeta"};
    CEditConfiguration editor({{"Lab Contact 00 00", 5001}, {"Missing", static_cast<std::int16_t>(-25536)}},
                              readers);
    EXPECT_EQ(editor.OfferedReaders(), (CStringArray{"alpha reader", "Lab Contact 00 01", "Zeta"}));
    EXPECT_EQ(editor.Rows()[1].portText, "40000");
    EXPECT_EQ(editor.ProposedPort(), 40001);
    EXPECT_EQ(CEditConfiguration({{"lab contact 00 00", 1}}, readers).OfferedReaders().size(),
              4U);  // exact names
    // Refused in the dialog's order: the port before the reader.
    const std::tuple<const char*, const char*, const char*> refused[] = {
        {"Zeta", "12x", "Please enter an integer."},
        {"Zeta", "99999999999", "Please enter an integer."},
        {"Zeta", "0", "Please enter an integer between 1 and 30000."},
        {"Zeta", "30001", "Please enter an integer between 1 and 30000."},
        {"", " 5001 ", "Port 5001 is already in use.  Select another port"},
        {"   ", "5002", "Please select a reader name"},
        {"Lab Contact 00 00", "5002",
         "\"Lab Contact 00 00\" is not one of the readers offered (PC/SC readers not yet used)"},
    };
    for (const auto& [reader, port, message] : refused) {
        EXPECT_EQ(editor.Add(reader, port), std::optional<CString>(message)) << reader << " " << port;
    }
    EXPECT_EQ(editor.Add("Zeta", "30000"), std::nullopt);
    EXPECT_EQ(editor.Add("alpha reader", "1"), std::nullopt);
    EXPECT_EQ(editor.OfferedReaders(), (CStringArray{"Lab Contact 00 01"}));
    EXPECT_EQ(editor.Remove(), std::optional<CString>("Please select the reader you would like to remove."));
    editor.Select(0);
    EXPECT_EQ(editor.Remove(), std::nullopt);
    EXPECT_EQ(editor.Selection(), 0);  // the row that took its place
    editor.Select(2);                  // the last row
    EXPECT_EQ(editor.Remove(), std::nullopt);
    EXPECT_EQ(editor.Selection(), 1);  // the new last row
    EXPECT_EQ(editor.OfferedReaders(),
              (CStringArray{"alpha reader", "Lab Contact 00 00", "Lab Contact 00 01"}));
    EXPECT_EQ(editor.Entries(), (std::vector<KeyStationEntry>{{"Missing", -25536}, {"Zeta", 30000}}));
}

TEST(StationId, FirstStationIsOneAndIdsAreNeverReused) {
    EXPECT_EQ(CKeyStation::PeekNextStationId(), 1);
    auto first = std::make_unique<CKeyStation>("Reader A", 5001);
    EXPECT_EQ(first->GetStationId(), 1);
    const StationDisplay display = first->GetDisplay();
    EXPECT_EQ(display.status, StationStatus::Stopped);
    EXPECT_TRUE(display.clientAddress.empty() && display.clientPort == 0 && display.transactionCount == 0);
    first.reset();
    EXPECT_EQ(CKeyStation("Reader A", 5001).GetStationId(), 2);
    // Malformed settings start no station, and take no id.
    test::CTempRegistry registry;
    Set("StationKey", "not a key");
    CBrantwickDoc document({{"Reader A", 5001}, {"Reader B", 5002}});
    EXPECT_FALSE(document.StartStations());
    EXPECT_TRUE(document.Stations().empty());
    EXPECT_EQ(
        document.StartError(),
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\StationKey is not 48 hexadecimal digits; no key "
        "station was started.");
    EXPECT_EQ(CKeyStation::PeekNextStationId(), 3);
}

}  // namespace
}  // namespace tessaly
