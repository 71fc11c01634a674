// The tessaly-reg command line: read, write, list, export and import registry settings.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/cli/CommandLine.h"

namespace tessaly::tools {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = cli::kExitUsage;

// Runs tessaly-reg with `args` (without the program name). Results go to `out`, messages to `err`.
int RunRegTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tessaly::tools
