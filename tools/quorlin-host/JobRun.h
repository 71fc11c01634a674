// `quorlin-host job`: Initialize, N cards, TerminateJob, with a progress bar on a terminal and a
// summary of the accept codes and the time per card.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "common/Types.h"
#include "tools/quorlin-host/HostSession.h"

namespace tessaly::tools {

struct JobOptions {
    std::string application;
    CByteArray data;
    CByteArray firData;
    std::size_t cards = 1;
    bool json = false;
};

// Stops taking cards at the first one the driver fails (a result other than 0, a Status that was
// not written or below 0); TerminateJob still runs. Returns the exit status: 0 when the job started,
// every card was processed and the job ended, else 1.
int RunJob(CHostSession& session, const JobOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tessaly::tools
