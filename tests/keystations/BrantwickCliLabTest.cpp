// The brantwick program end to end: started as a child process against the virtual card lab,
// talked to over TCP, restarted with SIGHUP, stopped with SIGTERM and SIGINT; the config commands
// over a private registry, and the PID file through which --restart finds the running program.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "common/Format.h"
#include "common/registry/Registry.h"
#include "keystations/StationConfiguration.h"
#include "tests/keystations/ChildProcess.h"
#include "tests/keystations/HostPeer.h"
#include "lab/IsoCard.h"
#include "tests/support/LabGTest.h"
#include "tests/registry/TempRegistry.h"
#include "tests/support/TestPackets.h"

namespace tessaly {

namespace {

using lab::CLabEnvironment;
using test::HostRequest;
using test::StationReply;
using test::ToHex;

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

class BrantwickTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESSALY_NEED_LAB();
        registry = std::make_unique<test::TempRegistry>();
        pidFile = std::make_unique<test::ScopedEnvironment>("BRANTWICK_PID_FILE",
                                                            (registry->Folder() / "brantwick.pid").string());
    }
    void TearDown() override {
        pidFile.reset();
        registry.reset();
    }

    const std::filesystem::path& Folder() const { return registry->Folder(); }
    test::ToolResult Tool(const std::vector<std::string>& arguments) {
        return test::RunTool(kBrantwick, arguments, Folder());
    }
    std::string StationArgument(int slot, std::uint16_t port) {
        return Reader(slot) + "=" + std::to_string(port);
    }

    // One keep-alive exchange through a fresh connection.
    static bool Answers(std::uint16_t port) {
        test::CHostPeer host(port);
        return host.IsConnected() &&
               host.Exchange(HostRequest(0x13, 0x0042, "")).bytes == StationReply(0x13, 0x0042, "");
    }

    std::unique_ptr<test::TempRegistry> registry;
    std::unique_ptr<test::ScopedEnvironment> pidFile;
};

TEST_F(BrantwickTest, AdHocStationsServeRestartOnSighupAndStopOnSigterm) {
    const std::uint16_t port = test::FreePort();
    test::CChildProcess brantwick(kBrantwick, {"run", "--station", StationArgument(0, port)}, Folder());
    ASSERT_TRUE(brantwick.WaitForOutput("Waiting", std::chrono::seconds(10))) << brantwick.Errors();

    std::uint16_t clientPort = 0;
    {
        test::CHostPeer host(port);
        ASSERT_TRUE(host.IsConnected());
        clientPort = host.LocalPort();
        EXPECT_EQ(ToHex(host.Exchange(HostRequest(0x07, 0x0001, "58")).bytes),
                  ToHex(StationReply(0x07, 0x0001, "00 00 00 03")));
        // One line per change, with the six columns.
        const std::string waiting =
            FormatText(": Waiting | %s | %u | 127.0.0.1 | %u | 1", Reader(0).c_str(),
                       static_cast<unsigned>(port), static_cast<unsigned>(clientPort));
        EXPECT_TRUE(brantwick.WaitForOutput(waiting, std::chrono::seconds(5))) << brantwick.Output();

        // SIGHUP: "Restart Key Stations"; the connected client is let go.
        ASSERT_TRUE(brantwick.Signal(SIGHUP));
        EXPECT_TRUE(host.WaitForClose(std::chrono::seconds(3)));
    }
    EXPECT_TRUE(brantwick.WaitForOutput(": Stopped | " + Reader(0), std::chrono::seconds(5)))
        << brantwick.Output();
    const std::string output = brantwick.Output();
    EXPECT_NE(
        output.find(
            "Station Status | PC/SC Reader | Port | Client IP Address | Client Port | Total Transactions"),
        std::string::npos)
        << output;
    EXPECT_TRUE(Answers(port));

    ASSERT_TRUE(brantwick.Signal(SIGTERM));
    EXPECT_EQ(brantwick.Wait(std::chrono::seconds(5)), std::optional<int>(0)) << brantwick.Errors();
    EXPECT_NE(brantwick.Errors().find("Restart Key Stations"), std::string::npos) << brantwick.Errors();
    EXPECT_NE(brantwick.Errors().find("key stations stopped"), std::string::npos) << brantwick.Errors();
    // The development key is in use: warned about, with a time stamp in front.
    EXPECT_NE(brantwick.Errors().find("StationKey is not set"), std::string::npos);
    EXPECT_FALSE(test::CHostPeer(port, std::chrono::milliseconds(0)).IsConnected());
    // Ad-hoc stations neither read nor write the station list, and leave no PID file.
    EXPECT_TRUE(LoadConfiguration(kBrantwickKey).empty());
    EXPECT_FALSE(std::filesystem::exists(Folder() / "brantwick.pid"));
}

TEST_F(BrantwickTest, SigintStopsWithAnIdleClientConnected) {
    const std::uint16_t portA = test::FreePort();
    const std::uint16_t portB = test::FreePort();
    test::CChildProcess brantwick(
        kBrantwick, {"run", "--station", StationArgument(0, portA), "--station", StationArgument(1, portB)},
        Folder());
    test::CHostPeer idle(portA);
    ASSERT_TRUE(idle.IsConnected());
    ASSERT_TRUE(Answers(portB));
    ASSERT_TRUE(brantwick.WaitForOutput(": Connected | " + Reader(0), std::chrono::seconds(5)))
        << brantwick.Output();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(brantwick.Signal(SIGINT));
    EXPECT_EQ(brantwick.Wait(std::chrono::seconds(5)), std::optional<int>(0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_TRUE(idle.WaitForClose(std::chrono::seconds(1)));
}

TEST_F(BrantwickTest, RefusedClientsAreLoggedWithATimeStamp) {
    ASSERT_TRUE(WriteRegistryString(CString(kBrantwickKey) + "\\AllowedClients", "10.0.0.0/8", false));
    const std::uint16_t port = test::FreePort();
    test::CChildProcess brantwick(kBrantwick, {"run", "--station", StationArgument(0, port)}, Folder());
    ASSERT_TRUE(brantwick.WaitForOutput("Waiting", std::chrono::seconds(10))) << brantwick.Errors();
    test::CHostPeer refused(port);
    EXPECT_TRUE(refused.WaitForClose(std::chrono::seconds(2)));
    const std::string line =
        FormatText("Refused client 127.0.0.1:%u on port %u: not in AllowedClients",
                   static_cast<unsigned>(refused.LocalPort()), static_cast<unsigned>(port));
    for (int i = 0; i < 100 && brantwick.Errors().find(line) == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::string errors = brantwick.Errors();
    const std::size_t at = errors.find(line);
    ASSERT_NE(at, std::string::npos) << errors;
    // "YYYY-MM-DD hh:mm:ss station N: Refused ..."
    const std::size_t lineStart =
        errors.rfind('\n', at) == std::string::npos ? 0 : errors.rfind('\n', at) + 1;
    const std::string stamp = errors.substr(lineStart, 20);
    EXPECT_EQ(stamp.size(), 20U);
    EXPECT_EQ(stamp[4], '-');
    EXPECT_EQ(stamp[13], ':');
    EXPECT_EQ(errors.substr(lineStart + 20, 8), "station ");
    ASSERT_TRUE(brantwick.Signal(SIGTERM));
    EXPECT_EQ(brantwick.Wait(std::chrono::seconds(5)), std::optional<int>(0));
}

TEST_F(BrantwickTest, AnInvalidStationKeyRefusesToStart) {
    ASSERT_TRUE(WriteRegistryString(CString(kBrantwickKey) + "\\StationKey", "12", false));
    const std::uint16_t port = test::FreePort();
    const test::ToolResult result = Tool({"run", "--station", StationArgument(0, port)});
    EXPECT_EQ(result.exit, 1);
    EXPECT_NE(result.errors.find(
                  "brantwick: HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\StationKey is not 48 "
                  "hexadecimal digits; no key station was started."),
              std::string::npos)
        << result.errors;
}

TEST_F(BrantwickTest, ConfigEditsTheListAndRestartsTheRunningProgram) {
    const std::uint16_t portA = test::FreePort();
    const std::uint16_t portB = test::FreePort();
    test::ToolResult result = Tool({"config", "add", Reader(0), std::to_string(portA)});
    ASSERT_EQ(result.exit, 0) << result.errors;
    EXPECT_EQ(result.output, "Saved. brantwick is not running; the list applies when it starts.\n");

    test::CChildProcess brantwick(kBrantwick, {"run"}, Folder());
    ASSERT_TRUE(brantwick.WaitForOutput("Waiting", std::chrono::seconds(10))) << brantwick.Errors();
    EXPECT_TRUE(Answers(portA));
    EXPECT_EQ(test::ReadFileBytes(Folder() / "brantwick.pid"), std::to_string(brantwick.Pid()) + "\n");

    // A second run of the registry's list is refused.
    result = Tool({"run"});
    EXPECT_EQ(result.exit, 1);
    EXPECT_NE(result.errors.find("brantwick is already running with the station list (PID " +
                                 std::to_string(brantwick.Pid())),
              std::string::npos)
        << result.errors;

    // The dialog's refusals.
    result = Tool({"config", "add", Reader(1), std::to_string(portA)});
    EXPECT_EQ(result.exit, 1);
    EXPECT_EQ(result.errors, FormatText("Port %u is already in use.  Select another port\n", portA));
    result = Tool({"config", "add", Reader(1), "30001"});
    EXPECT_EQ(result.errors, "Please enter an integer between 1 and 30000.\n");
    result = Tool({"config", "add", " ", std::to_string(portB)});
    EXPECT_EQ(result.errors, "Please select a reader name\n");
    result = Tool({"config", "add", Reader(0), std::to_string(portB)});
    EXPECT_EQ(result.errors,
              "\"" + Reader(0) + "\" is not one of the readers offered (PC/SC readers not yet used)\n");
    result = Tool({"config", "remove", "1"});
    EXPECT_EQ(result.exit, 1);
    EXPECT_EQ(result.errors, "Please select the reader you would like to remove.\n");

    // Without --restart the list is saved and the running stations stay as they are.
    result = Tool({"config", "add", Reader(1), std::to_string(portB)});
    ASSERT_EQ(result.exit, 0) << result.errors;
    EXPECT_EQ(result.output,
              FormatText("Saved. Configuration has changed - restart key servers? Not restarted: give "
                         "--restart, or send SIGHUP to PID %d.\n",
                         static_cast<int>(brantwick.Pid())));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(test::CHostPeer(portB, std::chrono::milliseconds(0)).IsConnected());

    result = Tool({"config", "list"});
    EXPECT_EQ(result.exit, 0);
    EXPECT_NE(result.output.find("0      " + Reader(0)), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("1      " + Reader(1)), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(std::to_string(portB) + "\nProposed port: " +
                                 std::to_string(std::max(portA, portB) + 1) + "\nReaders offered: none\n"),
              std::string::npos)
        << result.output;

    // --restart: the running program reads the list again and starts both.
    result = Tool({"config", "remove", "0", "--restart"});
    ASSERT_EQ(result.exit, 0) << result.errors;
    EXPECT_EQ(result.output, FormatText("Saved; the key stations of brantwick (PID %d) restart.\n",
                                        static_cast<int>(brantwick.Pid())));
    bool restarted = false;
    for (int i = 0; i < 100 && !restarted; ++i) {
        restarted = Answers(portB);
        if (!restarted) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    EXPECT_TRUE(restarted) << brantwick.Output() << brantwick.Errors();
    EXPECT_FALSE(test::CHostPeer(portA, std::chrono::milliseconds(0)).IsConnected());
    const std::vector<KeyStationEntry> expected = {{Reader(1), static_cast<std::int16_t>(portB)}};
    EXPECT_EQ(LoadConfiguration(kBrantwickKey), expected);

    ASSERT_TRUE(brantwick.Signal(SIGTERM));
    EXPECT_EQ(brantwick.Wait(std::chrono::seconds(5)), std::optional<int>(0));
    EXPECT_FALSE(std::filesystem::exists(Folder() / "brantwick.pid"));
}

TEST_F(BrantwickTest, ReadersAndUsage) {
    test::ToolResult result = Tool({"readers"});
    EXPECT_EQ(result.exit, 0) << result.errors;
    EXPECT_EQ(result.output, Reader(0) + "\n" + Reader(1) + "\n");

    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{},
                                               {"start"},
                                               {"run", "--station"},
                                               {"run", "--station", "Reader"},
                                               {"run", "--station", "R=0"},
                                               {"run", "--station", "R=65536"},
                                               {"config"},
                                               {"config", "add", "R"},
                                               {"readers", "x"}}) {
        result = Tool(wrong);
        EXPECT_EQ(result.exit, 2) << testing::PrintToString(wrong);
        EXPECT_NE(result.errors.find("usage: brantwick run"), std::string::npos);
    }
    result = Tool({"config", "list"});
    EXPECT_EQ(result.output, "No key stations are configured.\nProposed port: 1\nReaders offered:\n  " +
                                 Reader(0) + "\n  " + Reader(1) + "\n");
}

}  // namespace
}  // namespace tessaly
