// Each program's command line as a new user meets it, through the real binaries: --help on the program
// and on every command (usage on standard output, status 0), --version, unknown options and bad
// values (status 2, named on standard error), options before and after the arguments.
#include <gtest/gtest.h>

#include <signal.h>

#include <optional>
#include <sstream>

#include "tests/registry/TempRegistry.h"
#include "tests/tools/ChildProcess.h"

namespace tessaly {
namespace {

struct Case {
    std::vector<std::string> args;
    int exit;
    std::optional<std::string> out;  // a part of standard output; "": it must be empty; none: not checked
    std::optional<std::string> err;  // the same for standard error
};

void ExpectPart(const std::string& text, const std::optional<std::string>& part) {
    if (part && part->empty()) {
        EXPECT_EQ(text, "");
    } else if (part) {
        EXPECT_NE(text.find(*part), std::string::npos) << "missing \"" << *part << "\" in:\n" << text;
    }
}

// A usage error: status 2, nothing on standard output, `message` on standard error.
Case Refused(std::vector<std::string> args, const char* message) {
    return {std::move(args), 2, "", message};
}

// --version, and --help (-h on commands) on the program and each command: standard output, status 0.
std::vector<Case> HelpCases(const std::string& program, const std::vector<std::string>& commands) {
    std::vector<Case> cases = {{{"--version"}, 0, "2.0.0.27\n", ""}};
    for (const std::string& command : commands) {
        std::vector<std::string> args;
        std::istringstream words(command);
        for (std::string word; words >> word;) {
            args.push_back(word);
        }
        args.emplace_back(command.empty() ? "--help" : "-h");
        cases.push_back(
            {args, 0, "Usage: " + program + (command.empty() ? "" : " " + command) + " [OPTIONS]", ""});
    }
    return cases;
}

class CommandLine : public ::testing::Test {
protected:
    void Check(const char* program, const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::PrintToString(c.args));
            const test::ToolResult result = test::RunTool(program, c.args, registry.Folder());
            EXPECT_EQ(result.exit, c.exit);
            ExpectPart(result.output, c.out);
            ExpectPart(result.errors, c.err);
        }
    }

    test::TempRegistry registry;
    test::ScopedEnvironment pidFile{"BRANTWICK_PID_FILE", (registry.Folder() / "brantwick.pid").string()};
};

TEST_F(CommandLine, Objcomm) {
    Check(TESSALY_OBJCOMM_PATH, HelpCases("objcomm", {"", "decode", "zolt"}));
    Check(
        TESSALY_OBJCOMM_PATH,
        {
            Refused({}, "Usage: objcomm [OPTIONS]"),
            Refused({"frob"}, "objcomm: unknown command \"frob\"\nRun with --help"),
            Refused({"decode", "--ack", "--acknowledge", "99"}, "argument was not expected: --acknowledge\n"),
            Refused({"decode", "0G"}, "objcomm decode: HEX: \"0G\" is not hexadecimal bytes"),
            Refused({"decode", "--json"}, "objcomm decode: HEX is required"),
            Refused({"decode", " "}, "objcomm decode: no packet given\n"),
            Refused({"zolt", "localhost", "1", "-"},
                    "zolt: HOST: \"localhost\" is not a dotted-decimal IPv4"),
            Refused({"zolt", "127.0.0.1", "65536", "-"}, "PORT: \"65536\" is not a port number (1 to 65535)"),
            Refused({"zolt", "--keep-going", "127.0.0.1", "7000"}, "objcomm zolt: SCRIPT is required"),
            Refused({"zolt", "127.0.0.1", "1", "/no/x.zolt"}, "zolt: cannot read the script /no/x.zolt\n"),
            {{"decode", "99000099", "--json", "--ack"}, 0, "{\"class\": \"CMsgHealthCheck\"", ""},
            {{"decode", "--json", "99", "00 00", "99", "--version"}, 0, "2.0.0.27\n", ""},
        });
}

TEST_F(CommandLine, TessalyReg) {
    Check(TESSALY_REG_PATH,
          HelpCases("tessaly-reg", {"", "get", "set", "delete", "list", "export", "import"}));
    Check(TESSALY_REG_PATH, {
                                Refused({}, "Usage: tessaly-reg [OPTIONS]"),
                                Refused({"frob"}, "tessaly-reg: unknown command \"frob\""),
                                Refused({"get"}, "tessaly-reg get: PATH is required"),
                                Refused({"set", "HKCU\\K\\V", "1", "--qword"},
                                        "set: The following argument was not expected: --qword"),
                                Refused({"set", "HKCU\\K\\V", "1", "--dword", "--sz"},
                                        "tessaly-reg set: --dword excludes --sz"),
                                Refused({"set", "HKCU\\K\\V"}, "tessaly-reg set: VALUE is required"),
                                {{"set", "--dword", "HKLM\\SOFTWARE\\T\\N", "-25536"}, 0, "", ""},
                                {{"set", "hklm\\SOFTWARE\\T\\list", "list", "--expand-sz"}, 0, "", ""},
                                {{"get", "HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\N"}, 0, "4294941760\n", ""},
                                {{"delete", "HKLM\\SOFTWARE\\T\\N", "--value"}, 0, "", ""},
                                {{"export", "HKLM\\SOFTWARE\\T"},
                                 0,
                                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\n\"list\"=hex(2):6c,00",
                                 ""},
                                {{"delete", "--value", "HKLM\\SOFTWARE\\T\\N"},
                                 1,
                                 "",
                                 "tessaly-reg: no value HKLM\\SOFTWARE\\T\\N in"},
                            });
}

TEST_F(CommandLine, Brantwick) {
    Check(TESSALY_BRANTWICK_PATH, HelpCases("brantwick", {"", "run", "config", "config list", "config add",
                                                          "config remove", "readers"}));
    Check(
        TESSALY_BRANTWICK_PATH,
        {
            Refused({}, "Usage: brantwick [OPTIONS]"),
            Refused({"start"}, "brantwick: unknown command \"start\""),
            Refused({"run", "--stations"},
                    "brantwick run: The following argument was not expected: --stations"),
            Refused({"run", "--station"}, "brantwick run: --station"),
            Refused({"run", "--station", "Reader"}, "run: --station: \"Reader\" is not \"READER=PORT\""),
            Refused({"run", "--station", "R=0"},
                    "--station: \"R=0\": the port must be a number from 1 to 65535"),
            Refused({"run", "--station", "R=1", "R=2"}, "The following argument was not expected: R=2"),
            Refused({"config"}, "brantwick config: a command is required"),
            Refused({"config", "add", "R"}, "brantwick config add: PORT is required"),
            Refused({"config", "list", "--restart"}, "config list: The following argument was not expected"),
            Refused({"readers", "x"}, "brantwick readers: The following argument was not expected: x"),
            {{"config", "list"}, 0, "No key stations are configured.\nProposed port: 1\n", std::nullopt},
            // The dialog's rules refuse: the line itself was understood.
            {{"config", "add", "R", "5", "--restart"}, 1, "", "\"R\" is not one of the readers offered"},
            {{"config", "add", "--restart", "R", "5"}, 1, "", "\"R\" is not one of the readers offered"},
            {{"config", "remove", "--restart", "0"},
             1,
             "",
             "Please select the reader you would like to remove."},
        });
}

TEST_F(CommandLine, Cardsim) {
    Check(TESSALY_CARDSIM_PATH, HelpCases("cardsim", {""}));
    Check(
        TESSALY_CARDSIM_PATH,
        {
            Refused({}, "cardsim: --port is required"),
            Refused({"--port", "0", "--profile", "t0"}, "cardsim: --port: \"0\" is not a port number (1 to"),
            Refused({"--profile", "t9", "--port", "1"}, "cardsim: --profile: \"t9\" is not a profile"),
            Refused({"--port", "1", "--profile", "t0", "--atr", "3B0"},
                    "--atr: \"3B0\" is not an ATR in hex"),
            Refused({"--port", "1", "--profile", "t0", "--colour"}, "argument was not expected: --colour"),
        });
    // Options in any order; it runs until SIGTERM.
    test::CChildProcess card(TESSALY_CARDSIM_PATH,
                             {"--quiet", "--profile", "t1", "--atr", "3B 00", "--port", "1"},
                             registry.Folder());
    EXPECT_TRUE(card.WaitForOutput("waiting for a reader slot on port 1\n", std::chrono::seconds(10)));
    ASSERT_TRUE(card.Signal(SIGTERM));
    EXPECT_EQ(card.Wait(std::chrono::seconds(10)), std::optional<int>(0));
    EXPECT_EQ(card.Output(), "waiting for a reader slot on port 1\ncard removed\n");
}

}  // namespace
}  // namespace tessaly
