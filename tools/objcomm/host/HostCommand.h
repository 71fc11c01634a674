// `objcomm host [SCRIPT] --port N`: a stand-in for the host's server, for rehearsing a line without the
// real host and for the driver's and the configuration utility's integration tests (HOST.md).
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <string>

#include "common/cli/CommandLine.h"
#include "tools/objcomm/host/HostServer.h"

namespace tessaly::tools {

struct HostRun {
    HostOptions options;
    bool json = false;
    // Called once the port is listened on, before any connection is served: how a caller in the same
    // process learns the port the system picked.
    std::function<void(std::uint16_t port)> onListening;
};

// Parses the script (null: none, every connection gets its kind's default answers), listens, prints
// the address and port, and serves. Exit codes: 0 every request and answer as expected; 1 a mismatch,
// a failed connection, or an address or port that cannot be listened on; 2 a bad script.
int RunHostScript(const HostRun& run, const std::string* scriptText, const std::string& scriptName,
                  std::ostream& out, std::ostream& err);

// The option values as the command line gives them.
struct HostCommandLine {
    CLI::App* command = nullptr;  // the `host` subcommand; parsed() says whether it was chosen
    HostRun run;
    std::string script;  // a file, or - for standard input; empty: no script
    int port = 0;
    int connections = 0;
    bool once = false;
    int cards = 1;
    std::string registerError;
    std::string nameError;
    std::string accept = "00";
    int timeout = 60000;
    int idle = 0;
};

// Adds the `host` subcommand and its options to `app`; the values land in `line`.
CLI::App* AddHostCommand(CLI::App& app, HostCommandLine& line);
// The same, for the objcomm program: when the line chooses `host`, serving becomes the chosen work.
void AddHostCommand(CLI::App& app, cli::Action& chosen, const cli::Streams& io);
// Runs the parsed command (exit codes of RunHostScript; 2 when the script cannot be read).
int RunHostCommand(HostCommandLine& line, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace tessaly::tools
