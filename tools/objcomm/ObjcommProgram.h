// The objcomm command line. Each command registers itself from its own file with one call
// (AddDecodeCommand, AddZoltCommand, ...) and RunObjcomm wires them into the program.
#pragma once

#include <string>
#include <vector>

#include "common/cli/CommandLine.h"

namespace tessaly::tools {

// Runs objcomm with `args` (without the program name); returns the exit status.
int RunObjcomm(const std::vector<std::string>& args, const cli::Streams& io);

}  // namespace tessaly::tools
