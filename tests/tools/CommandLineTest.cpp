// Each program's command line as a new user meets it, through the real binaries (data/*.transcript):
// --help on the program and on every command (usage on standard output, status 0), --version,
// unknown options and bad values (status 2, named on standard error), options before and after the
// arguments.
#include <gtest/gtest.h>

#include <signal.h>

#include "tests/registry/TempRegistry.h"
#include "tests/tools/ChildProcess.h"
#include "tests/tools/Transcript.h"

namespace tessaly {
namespace {

class CommandLineTest : public ::testing::Test {
protected:
    void Check(const char* program, const char* transcript) {
        test::RunTranscript(std::string(TESSALY_TOOLS_DATA "/") + transcript,
                            [this, program](const std::vector<std::string>& args, const cli::Streams& io) {
                                const test::ToolResult result =
                                    test::RunTool(program, args, m_registry.Folder());
                                io.out << result.output;
                                io.err << result.errors;
                                return result.exit;
                            },
                            {{"store", m_registry.StorePath()}});
    }

    test::CTempRegistry m_registry;
    test::CScopedEnvironment m_pidFile{"BRANTWICK_PID_FILE",
                                       (m_registry.Folder() / "brantwick.pid").string()};
};

TEST_F(CommandLineTest, Objcomm) {
    Check(TESSALY_OBJCOMM_PATH, "objcomm.transcript");
}

TEST_F(CommandLineTest, TessalyReg) {
    Check(TESSALY_REG_PATH, "tessaly-reg.transcript");
}

TEST_F(CommandLineTest, Brantwick) {
    Check(TESSALY_BRANTWICK_PATH, "brantwick.transcript");
}

TEST_F(CommandLineTest, Ostrefin) {
    Check(TESSALY_OSTREFIN_PATH, "ostrefin.transcript");
}

// Its calls reach for the host at the default address, where nothing listens: Status -1000.
TEST_F(CommandLineTest, QuorlinHost) {
    Check(TESSALY_QUORLIN_HOST_PATH, "quorlin-host.transcript");
}

TEST_F(CommandLineTest, Cardsim) {
    Check(TESSALY_CARDSIM_PATH, "cardsim.transcript");
    // Options in any order; it runs until SIGTERM.
    test::CChildProcess card(TESSALY_CARDSIM_PATH,
                             {"--quiet", "--profile", "t1", "--atr", "3B 00", "--port", "1"},
                             m_registry.Folder());
    EXPECT_TRUE(card.WaitForOutput("waiting for a reader slot on port 1\n", std::chrono::seconds(10)));
    ASSERT_TRUE(card.Signal(SIGTERM));
    EXPECT_EQ(card.Wait(std::chrono::seconds(10)), std::optional<int>(0));
    EXPECT_EQ(card.Output(), "waiting for a reader slot on port 1\ncard removed\n");
}

}  // namespace
}  // namespace tessaly
