// The brantwick program end to end: started as a child process against the virtual card lab,
// talked to over TCP, restarted with SIGHUP, stopped with SIGINT and SIGTERM; the config commands
// over a private registry, and the PID file through which --restart finds the running program.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "common/Format.h"
#include "common/registry/Registry.h"
#include "keystations/StationConfiguration.h"
#include "lab/IsoCard.h"
#include "tests/keystations/HostPeer.h"
#include "tests/registry/TempRegistry.h"
#include "tests/support/LabGTest.h"
#include "tests/support/TestPackets.h"
#include "tests/tools/ChildProcess.h"

namespace tessaly {

namespace {

using lab::CLabEnvironment;
using test::HostRequest;
using test::StationReply;
using namespace std::chrono_literals;

constexpr const char* kBrantwick = TESSALY_BRANTWICK_PATH;

std::shared_ptr<lab::CIsoCard> g_cardA;
std::shared_ptr<lab::CIsoCard> g_cardB;

const std::string& Reader(int slot) {
    return CLabEnvironment::Lab()->ReaderName(0, slot);
}

}  // namespace

namespace lab {
std::unique_ptr<CLabEnvironment> MakeLabEnvironment() {
    return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Brantwick"}, [](CLab& lab) {
        g_cardA = MakeContactCard(Transport::T1);
        g_cardB = MakeContactCard(Transport::T0);
        lab.InsertAll({{lab.ReaderName(0, 0), g_cardA}, {lab.ReaderName(0, 1), g_cardB}});
    });
}
}  // namespace lab

namespace {

::testing::AssertionResult Has(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

// One keep-alive exchange through a fresh connection.
bool Answers(std::uint16_t port) {
    test::CHostPeer host(port);
    return host.IsConnected() &&
           host.Exchange(HostRequest(0x13, 0x0042, "")).bytes == StationReply(0x13, 0x0042, "");
}

bool Listens(std::uint16_t port) {
    return test::CHostPeer(port, 0ms).IsConnected();
}

class BrantwickTest : public ::testing::Test {
protected:
    void SetUp() override { TESSALY_NEED_LAB(); }

    const std::filesystem::path& Folder() const { return m_registry.Folder(); }
    test::ToolResult Tool(const std::vector<std::string>& arguments) {
        return test::RunTool(kBrantwick, arguments, Folder());
    }
    std::vector<std::string> Run(std::vector<std::uint16_t> ports) {
        std::vector<std::string> args = {"run"};
        for (std::size_t slot = 0; slot < ports.size(); ++slot) {
            args.insert(args.end(),
                        {"--station", Reader(static_cast<int>(slot)) + "=" + std::to_string(ports[slot])});
        }
        return args;
    }

    test::CTempRegistry m_registry;
    test::CScopedEnvironment m_pidFile{"BRANTWICK_PID_FILE",
                                       (m_registry.Folder() / "brantwick.pid").string()};
};

TEST_F(BrantwickTest, AdHocStationsServeRestartOnSighupAndStopOnSigint) {
    const std::uint16_t port = test::FreePort();
    const std::uint16_t portB = test::FreePort();
    test::CChildProcess brantwick(kBrantwick, Run({port, portB}), Folder());
    ASSERT_TRUE(brantwick.WaitForOutput("Waiting", 10s)) << brantwick.Errors();
    {
        test::CHostPeer host(port);
        ASSERT_TRUE(host.IsConnected());
        EXPECT_EQ(test::ToHex(host.Exchange(HostRequest(0x07, 0x0001, "58")).bytes),
                  test::ToHex(StationReply(0x07, 0x0001, "00 00 00 03")));
        // One line per change, with the six columns.
        EXPECT_TRUE(brantwick.WaitForOutput(
            FormatText(": Waiting | %s | %u | 127.0.0.1 | %u | 1", Reader(0).c_str(),
                       static_cast<unsigned>(port), static_cast<unsigned>(host.LocalPort())),
            5s))
            << brantwick.Output();
        // SIGHUP: "Restart Key Stations"; the connected client is let go.
        ASSERT_TRUE(brantwick.Signal(SIGHUP));
        EXPECT_TRUE(host.WaitForClose(3s));
    }
    EXPECT_TRUE(brantwick.WaitForOutput(": Stopped | " + Reader(0), 5s)) << brantwick.Output();
    EXPECT_TRUE(
        Has(brantwick.Output(),
            "Station Status | PC/SC Reader | Port | Client IP Address | Client Port | Total Transactions"));
    EXPECT_TRUE(Answers(port));

    // SIGINT stops the stations at once, an idle client connected or not.
    test::CHostPeer idle(portB);
    ASSERT_TRUE(idle.IsConnected());
    ASSERT_TRUE(brantwick.WaitForOutput(": Connected | " + Reader(1), 5s)) << brantwick.Output();
    ASSERT_TRUE(brantwick.Signal(SIGINT));
    EXPECT_EQ(brantwick.Wait(5s), std::optional<int>(0)) << brantwick.Errors();
    EXPECT_TRUE(idle.WaitForClose(1s));
    EXPECT_TRUE(Has(brantwick.Errors(), "Restart Key Stations"));
    EXPECT_TRUE(Has(brantwick.Errors(), "key stations stopped"));
    EXPECT_TRUE(Has(brantwick.Errors(), "StationKey is not set"));  // the development key is in use
    EXPECT_FALSE(Listens(port));
    // Ad-hoc stations neither read nor write the station list, and leave no PID file.
    EXPECT_TRUE(LoadConfiguration(kBrantwickKey).empty());
    EXPECT_FALSE(std::filesystem::exists(Folder() / "brantwick.pid"));
}

TEST_F(BrantwickTest, RefusedClientsAreLoggedWithATimeStamp) {
    ASSERT_TRUE(WriteRegistryString(CString(kBrantwickKey) + "\\AllowedClients", "10.0.0.0/8", false));
    const std::uint16_t port = test::FreePort();
    test::CChildProcess brantwick(kBrantwick, Run({port}), Folder());
    ASSERT_TRUE(brantwick.WaitForOutput("Waiting", 10s)) << brantwick.Errors();
    test::CHostPeer refused(port);
    EXPECT_TRUE(refused.WaitForClose(2s));
    EXPECT_TRUE(brantwick.WaitForErrors(
        FormatText("Refused client 127.0.0.1:%u on port %u: not in AllowedClients\n",
                   static_cast<unsigned>(refused.LocalPort()), static_cast<unsigned>(port)),
        2s))
        << brantwick.Errors();
    EXPECT_TRUE(std::regex_search(
        brantwick.Errors(),
        std::regex("(^|\n)\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d station \\d+: Refused")))
        << brantwick.Errors();
    ASSERT_TRUE(brantwick.Signal(SIGTERM));
    EXPECT_EQ(brantwick.Wait(5s), std::optional<int>(0));

    ASSERT_TRUE(WriteRegistryString(CString(kBrantwickKey) + "\\StationKey", "12", false));
    const test::ToolResult result = Tool(Run({port}));
    EXPECT_EQ(result.exit, 1);
    EXPECT_TRUE(Has(result.errors,
                    "brantwick: HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\StationKey is not 48 "
                    "hexadecimal digits; no key station was started."));
}

TEST_F(BrantwickTest, ConfigEditsTheListAndRestartsTheRunningProgram) {
    test::ToolResult result = Tool({"readers"});
    EXPECT_EQ(result.output, Reader(0) + "\n" + Reader(1) + "\n") << result.errors;
    EXPECT_EQ(Tool({"config", "list"}).output,
              "No key stations are configured.\nProposed port: 1\nReaders offered:\n  " + Reader(0) + "\n  " +
                  Reader(1) + "\n");
    const std::uint16_t portA = test::FreePort();
    const std::uint16_t portB = test::FreePort();
    result = Tool({"config", "add", Reader(0), std::to_string(portA)});
    EXPECT_EQ(result.output, "Saved. brantwick is not running; the list applies when it starts.\n")
        << result.errors;

    test::CChildProcess brantwick(kBrantwick, {"run"}, Folder());
    ASSERT_TRUE(brantwick.WaitForOutput("Waiting", 10s)) << brantwick.Errors();
    EXPECT_TRUE(Answers(portA));
    const std::string pid = std::to_string(brantwick.Pid());
    EXPECT_EQ(test::ReadFileBytes(Folder() / "brantwick.pid"), pid + "\n");
    // A second run of the registry's list is refused.
    result = Tool({"run"});
    EXPECT_EQ(result.exit, 1);
    EXPECT_TRUE(Has(result.errors, "brantwick is already running with the station list (PID " + pid));

    // The dialog's refusals.
    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
        {{"config", "add", Reader(1), std::to_string(portA)},
         FormatText("Port %u is already in use.  Select another port\n", portA)},
        {{"config", "add", Reader(1), "30001"}, "Please enter an integer between 1 and 30000.\n"},
        {{"config", "add", " ", std::to_string(portB)}, "Please select a reader name\n"},
        {{"config", "add", Reader(0), std::to_string(portB)},
         "\"" + Reader(0) + "\" is not one of the readers offered (PC/SC readers not yet used)\n"},
        {{"config", "remove", "1"}, "Please select the reader you would like to remove.\n"},
    };
    for (const auto& [args, message] : refusals) {
        result = Tool(args);
        EXPECT_EQ(result.exit, 1);
        EXPECT_EQ(result.errors, message);
    }

    // Without --restart the list is saved and the running stations stay as they are.
    result = Tool({"config", "add", Reader(1), std::to_string(portB)});
    EXPECT_EQ(result.output,
              "Saved. Configuration has changed - restart key servers? Not restarted: give --restart, "
              "or send SIGHUP to PID " +
                  pid + ".\n");
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(Listens(portB));
    result = Tool({"config", "list"});
    EXPECT_TRUE(Has(result.output, "0      " + Reader(0)));
    EXPECT_TRUE(Has(result.output, "1      " + Reader(1)));
    EXPECT_TRUE(Has(result.output, std::to_string(portB) +
                                       "\nProposed port: " + std::to_string(std::max(portA, portB) + 1) +
                                       "\nReaders offered: none\n"));

    // --restart: the running program reads the list again.
    result = Tool({"config", "remove", "0", "--restart"});
    EXPECT_EQ(result.output, "Saved; the key stations of brantwick (PID " + pid + ") restart.\n")
        << result.errors;
    bool restarted = false;
    for (int i = 0; i < 100 && !(restarted = Answers(portB)); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(restarted) << brantwick.Output() << brantwick.Errors();
    EXPECT_FALSE(Listens(portA));
    const std::vector<KeyStationEntry> expected = {{Reader(1), static_cast<std::int16_t>(portB)}};
    EXPECT_EQ(LoadConfiguration(kBrantwickKey), expected);

    ASSERT_TRUE(brantwick.Signal(SIGTERM));
    EXPECT_EQ(brantwick.Wait(5s), std::optional<int>(0));
    EXPECT_FALSE(std::filesystem::exists(Folder() / "brantwick.pid"));
}

}  // namespace
}  // namespace tessaly
