// ostrefin against `objcomm host` over real TCP, with a private registry file: the dialog's checks and
// their messages, Save, the host check and the registration, and what each writes.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>

#include "common/registry/Registry.h"
#include "config/cli/OstrefinCommands.h"
#include "driver/settings/DriverSettings.h"
#include "tests/registry/TempRegistry.h"
#include "tests/support/RunningHost.h"

namespace tessaly {
namespace {

const CStringArray kReaders = {"Lab Contact 00 00", "Lab Contact 00 01", "Lab Contactless 00 00"};

CString Value(const char* name) {
    return CString(DriverSettings::kKeyPath) + name;
}

struct Outcome {
    int exit;
    std::string out;
    std::string err;
};

Outcome Ostrefin(std::vector<std::string> args, const CString& computerName = "STATION7") {
    const tools::OstrefinHost host{[] { return kReaders; }, [computerName] { return computerName; }};
    std::ostringstream out;
    std::ostringstream err;
    const int exit = tools::RunOstrefin(args, host, out, err);
    return {exit, out.str(), err.str()};
}

// The dialog takes ports up to 32000 only, below the system's ephemeral range: the host listens on a
// free port under that bound.
test::CRunningHost* StartHost(std::unique_ptr<test::CRunningHost>& holder, const char* script) {
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 50 && (!holder || holder->Port() == 0); ++attempt) {
        tools::HostRun run = test::TestHostRun();
        run.options.port =
            static_cast<std::uint16_t>(std::uniform_int_distribution<int>(20000, 31999)(random));
        holder = std::make_unique<test::CRunningHost>(script, run);
    }
    return holder.get();
}

std::vector<std::string> WithAddress(std::vector<std::string> args, std::uint16_t port) {
    args.insert(args.end(), {"--ip", "127.0.0.1", "--port", std::to_string(port)});
    return args;
}

class OstrefinTest : public ::testing::Test {
protected:
    test::CTempRegistry m_registry;
};

TEST_F(OstrefinTest, ChecksRunInTheDialogsOrderAndStopTheAction) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"set"},
         "You must select a contact programming station or a contactless programming station (or both)."},
        {{"set", "--port", "0", "--contact", "lab contact"}, "Please enter an integer between 1 and 32000."},
        {{"set", "--port", "32001"}, "Please enter an integer between 1 and 32000."},
        {{"set", "--contact", "Lab Contactless", "--contactless", "lab contactless 00 00"},
         "You cannot use the same reader for both the contact and contactless programming stations."},
        {{"set", "--contact", "Lab Contact 00 00", "--external", "Lab Contact 00 00"},
         "You cannot use the same reader for both the programming station and dedicated key station."},
        {{"set", "--contactless", "Lab Contactless", "--external", "lab contactless"},
         "You cannot use the same reader for both the programming station and dedicated key station."},
        {{"set", "--contact", "Missing"}, "No smart card reader begins with \"Missing\"."},
        // Both stations "none": the check stops before anything is sent (nothing listens here).
        {{"check", "--port", "9"},
         "You must select a contact programming station or a contactless programming station (or both)."},
        {{"register", "--port", "9"},
         "You must select a contact programming station or a contactless programming station (or both)."},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Ostrefin(c.args);
        EXPECT_EQ(outcome.exit, 1) << c.message;
        EXPECT_EQ(outcome.out, std::string(c.message) + "\n");
    }
    CStringArray keys;
    EXPECT_FALSE(ReadRegistrySubKeys("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly", keys)) << "nothing was written";
}

TEST_F(OstrefinTest, SaveWritesNineValuesWithTheDefaultsOfWhatItDoesNotShow) {
    ASSERT_TRUE(WriteRegistryString(Value("InstallPath"), "/opt/quorlin", false));
    ASSERT_TRUE(WriteRegistryDWord(Value("SuppressDialogs"), 1));
    ASSERT_TRUE(WriteRegistryString(Value("ExtReaderId"), "Lab Contact 00 01", false));
    const Outcome saved = Ostrefin({"set", "--contactless", "LAB CONTACTLESS", "--ip", "10.1.2.3"});
    ASSERT_EQ(saved.exit, 0) << saved.out << saved.err;

    EXPECT_EQ(ReadRegistryString(Value("ObjectCommunicatorIp")), "10.1.2.3");
    EXPECT_EQ(ReadRegistryDWord(Value("ObjectCommunicatorPort")), 1500U);
    EXPECT_EQ(ReadRegistryString(Value("PrinterName")), "Simulator");
    EXPECT_EQ(ReadRegistryString(Value("StationName")), "STA1");
    EXPECT_EQ(ReadRegistryString(Value("ReaderId")), "");
    EXPECT_EQ(ReadRegistryString(Value("PiccReaderId")), "Lab Contactless 00 00");
    EXPECT_EQ(ReadRegistryString(Value("ExtReaderId")), "Lab Contact 00 01");
    EXPECT_EQ(ReadRegistryDWord(Value("RegisterByName")), 0U);
    EXPECT_EQ(ReadRegistryDWord(Value("SuppressDialogs")), 1U);
    EXPECT_EQ(ReadRegistryString(Value("InstallPath")), "/opt/quorlin");

    // "none" clears a role; a configured reader that is not present keeps its name.
    ASSERT_TRUE(WriteRegistryString(Value("ReaderId"), "Unplugged Reader", false));
    ASSERT_EQ(Ostrefin({"set", "--external", "none"}).exit, 0);
    EXPECT_EQ(ReadRegistryString(Value("ExtReaderId")), "");
    EXPECT_EQ(ReadRegistryString(Value("ReaderId")), "Unplugged Reader");
}

TEST_F(OstrefinTest, ShowsTheDialogsFields) {
    ASSERT_TRUE(WriteRegistryString(Value("ReaderId"), "lab contact 00 01", false));
    ASSERT_TRUE(WriteRegistryString(Value("ObjectCommunicatorIp"), "300.1.1.1", false));
    ASSERT_TRUE(WriteRegistryString(Value("PrinterName"), "STATION7", false));
    const Outcome shown = Ostrefin({"show", "--json"});
    EXPECT_EQ(
        shown.out,
        "{\"ip\": \"0.0.0.0\", \"port\": 1500, \"contact_reader\": \"Lab Contact 00 01\", "
        "\"contactless_reader\": \"none\", \"external_reader\": \"none\", \"computer_name\": \"STATION7\", "
        "\"registered_name\": \"STATION7\", \"registered\": false, "
        "\"registration_state\": \"<<< Registration required.\"}\n");

    struct Case {
        const char* printerName;
        std::uint32_t registerByName;
        const char* state;
    };
    const Case states[] = {
        {"STATION7", 1, "Registered as computer name."},
        {"Station7", 1, "<<< Registration required."},
        {"STATION7", 0, "<<< Registration required."},
    };
    for (const Case& c : states) {
        ASSERT_TRUE(WriteRegistryString(Value("PrinterName"), c.printerName, false));
        ASSERT_TRUE(WriteRegistryDWord(Value("RegisterByName"), c.registerByName));
        const Outcome text = Ostrefin({"show"});
        EXPECT_NE(text.out.find(std::string("\n") + c.state + "\n"), std::string::npos) << text.out;
    }
}

TEST_F(OstrefinTest, ChecksTheHostAtTheAddressGivenNotTheOneSaved) {
    ASSERT_TRUE(WriteRegistryString(Value("ReaderId"), "Lab Contact 00 00", false));
    ASSERT_TRUE(WriteRegistryString(Value("ObjectCommunicatorIp"), "192.0.2.1", false));
    struct Case {
        const char* script;
        const char* message;
        int exit;
    };
    const Case cases[] = {
        {"connection health\nexpect CMsgHealthCheck", "Rudari Zovuravirero responding.", 0},
        {"connection health\nerror code=93", "Rudari Zovuravirero responded with error 0x93.", 1},
        {"connection health\nerror code=0a", "Rudari Zovuravirero responded with error 0x0A.", 1},
        {"connection health\nregistered", "Rudari Zovuravirero returned unexpected response.", 1},
        {"connection health\nclose", "Rudari Zovuravirero returned unexpected response.", 1},
        {"connection health\nraw 99 00 00 98", "Rudari Zovuravirero returned unexpected response.", 1},
    };
    for (const Case& c : cases) {
        std::unique_ptr<test::CRunningHost> holder;
        test::CRunningHost& host = *StartHost(holder, c.script);
        const Outcome outcome = Ostrefin(WithAddress({"check", "--json"}, host.Port()));
        EXPECT_EQ(outcome.exit, c.exit) << c.script;
        EXPECT_EQ(outcome.out, std::string("{\"message\": \"") + c.message +
                                   "\", \"success\": " + (c.exit == 0 ? "true" : "false") + "}\n");
        EXPECT_EQ(host.Join(), 0) << host.Out();
    }
    EXPECT_EQ(ReadRegistryString(Value("ObjectCommunicatorIp")), "192.0.2.1") << "a check writes nothing";

    std::unique_ptr<test::CRunningHost> closed;
    const std::uint16_t port = StartHost(closed, "connection health\nclose")->Port();
    ASSERT_EQ(Ostrefin(WithAddress({"check"}, port)).exit, 1);
    EXPECT_EQ(closed->Join(), 0);
    EXPECT_EQ(Ostrefin(WithAddress({"check"}, port)).out, "Unable to Connect to Rudari Zovuravirero.\n");
}

TEST_F(OstrefinTest, RegistersInPlaceOfTheOldNameAndWritesTwoValues) {
    ASSERT_TRUE(WriteRegistryString(Value("PiccReaderId"), "Lab Contactless", false));
    {
        std::unique_ptr<test::CRunningHost> holder;
        test::CRunningHost& host = *StartHost(
            holder,
            "connection register\n"
            "expect CMsgRegisterDevice \"Over Write Name Settings\"=\"Over write name and use pseudo IP\" "
            "\"Old Personalization Device Name\"=Simulator \"Personalization Device Name\"=STATION7\n"
            "registered text=STATION7");
        // The address options are used for this action only; the reader edit is not saved.
        const Outcome outcome = Ostrefin(WithAddress({"register"}, host.Port()));
        EXPECT_EQ(outcome.exit, 0);
        EXPECT_EQ(outcome.out, "Registered as computer name.\n");
        EXPECT_EQ(host.Join(), 0) << host.Out();
    }
    EXPECT_EQ(ReadRegistryString(Value("PrinterName")), "STATION7");
    EXPECT_EQ(ReadRegistryDWord(Value("RegisterByName")), 1U);
    EXPECT_EQ(ReadRegistryString(Value("ObjectCommunicatorIp")), "") << "only the two values are written";
    EXPECT_EQ(ReadRegistryString(Value("PiccReaderId")), "Lab Contactless");

    // A refusal or an unexpected answer leaves the registry as it is.
    const std::pair<const char*, const char*> refusals[] = {
        {"connection register\nerror code=96", "Rudari Zovuravirero responded with error 0x96.\n"},
        {"connection register\nhealth", "Rudari Zovuravirero returned unexpected response.\n"},
    };
    for (const auto& [script, message] : refusals) {
        std::unique_ptr<test::CRunningHost> holder;
        test::CRunningHost& host = *StartHost(holder, script);
        const Outcome outcome = Ostrefin(WithAddress({"register"}, host.Port()), "OTHER");
        EXPECT_EQ(outcome.exit, 1);
        EXPECT_EQ(outcome.out, message);
        EXPECT_EQ(host.Join(), 0) << host.Out();
        EXPECT_EQ(ReadRegistryString(Value("PrinterName")), "STATION7");
    }
}

}  // namespace
}  // namespace tessaly
