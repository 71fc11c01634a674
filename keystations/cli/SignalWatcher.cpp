#include "keystations/cli/SignalWatcher.h"

#include <pthread.h>
#include <signal.h>

namespace tessaly::tools {
namespace {

// The signal the destructor sends the watcher to end it; the other two are ordinary posts.
constexpr int kEndSignal = SIGUSR1;

sigset_t WatchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, kEndSignal);
    return set;
}

}  // namespace

CSignalWatcher::CSignalWatcher(CStationEvents& events) : m_events(events) {
    // Output to a reader that has gone must not end the stations.
    signal(SIGPIPE, SIG_IGN);
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_thread = std::thread([this] { Watch(); });
}

CSignalWatcher::~CSignalWatcher() {
    pthread_kill(m_thread.native_handle(), kEndSignal);
    m_thread.join();
}

void CSignalWatcher::Watch() {
    const sigset_t set = WatchedSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) {
            continue;
        }
        if (signal == kEndSignal) {
            return;
        }
        if (signal == SIGHUP) {
            m_events.PostRestart();
        } else {
            m_events.PostStop();
        }
    }
}

}  // namespace tessaly::tools
