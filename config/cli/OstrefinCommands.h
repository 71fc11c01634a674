// ostrefin: the configuration dialog's fields, checks and actions as commands.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/Types.h"

namespace tessaly::tools {

// What the commands learn from the computer: its PC/SC readers and its host name.
struct OstrefinHost {
    std::function<CStringArray()> listReaders;
    std::function<CString()> computerName;
};

// The reader listing and host name of this computer.
OstrefinHost LocalOstrefinHost();

// Runs one command line (without the program name). Exit status: 0 for success, 1 when the action
// reports a failure (a check message, an unreachable or refusing host), 2 for a usage error.
int RunOstrefin(const std::vector<std::string>& args, const OstrefinHost& host, std::ostream& out,
                std::ostream& err);

}  // namespace tessaly::tools
