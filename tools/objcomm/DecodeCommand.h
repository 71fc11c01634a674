// `objcomm decode`: a packet as its class, codes and description. By default the packet is read as a
// station receives it (an incoming command); with --ack as a station sends it (an outgoing message).
#pragma once

#include <string>
#include <vector>

#include "common/cli/CommandLine.h"

namespace tessaly::tools {

// Adds the decode command to objcomm. Exit codes: 0 parsed, 1 rejected by the codec, 2 bad usage
// (not hex, no packet).
void AddDecodeCommand(CLI::App& app, cli::Action& chosen, const cli::Streams& io);

// `objcomm decode ARGS...` in this process.
int RunDecode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tessaly::tools
