// `objcomm zolt HOST PORT SCRIPT`: a host-side client for key stations. Connects, plays the script
// (each command, then its answers) and checks every answer against the script's expectations.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "common/cli/CommandLine.h"

namespace tessaly::tools {

struct ZoltOptions {
    bool json = false;       // one JSON object per step instead of text
    bool keepGoing = false;  // go on after a failed step
};

// Adds the zolt command to objcomm. Exit codes: 0 every expectation held, 1 a mismatch, a closed or
// failed connection, 2 bad usage or a bad script (nothing is sent then).
void AddZoltCommand(CLI::App& app, cli::Action& chosen, const cli::Streams& io);

// The same for a script given as text; `scriptName` names it in error messages.
// Reads a script file, or standard input for "-", whole. False when it cannot be read.
bool ReadScriptText(const std::string& name, std::istream& in, std::string& text);

int RunZoltScript(const std::string& host, std::uint16_t port, const std::string& scriptText,
                  const std::string& scriptName, const ZoltOptions& options, std::ostream& out,
                  std::ostream& err);

}  // namespace tessaly::tools
