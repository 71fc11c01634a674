// SIGHUP, SIGINT and SIGTERM for the `run` command, taken by a thread of its own with sigwait:
// nothing runs inside a signal handler. Make the watcher before any other thread, so that every
// thread inherits the blocked signals and only the watcher receives them. SIGPIPE is ignored.
#pragma once

#include <thread>

#include "keystations/cli/StationEvents.h"

namespace tessaly::tools {

class CSignalWatcher {
public:
    // Blocks the three signals for this thread (and the threads it makes later) and starts the
    // watcher, which posts SIGHUP as a restart and SIGINT or SIGTERM as a stop to `events`.
    explicit CSignalWatcher(CStationEvents& events);
    // Ends the watcher (it takes one more signal meant for it) and joins it.
    ~CSignalWatcher();
    CSignalWatcher(const CSignalWatcher&) = delete;
    CSignalWatcher& operator=(const CSignalWatcher&) = delete;

private:
    void Watch();

    CStationEvents& m_events;
    std::thread m_thread;
};

}  // namespace tessaly::tools
