// A background thread that follows card presence in one reader and reports each change. It
// outlives the PC/SC service it watches: when a wait fails (the service restarted, the reader was
// unplugged) it reports "unknown" and starts again on a new context.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/PcscApi.h"

namespace tessaly {

class CPresenceMonitor {
public:
    enum class Presence { Absent, Present, Unknown };
    // Called on the monitor thread with the reader's presence, once at the start and then
    // whenever it changes.
    using Report = std::function<void(Presence presence)>;

    // The wait for a status change; a time-out only repeats the loop.
    static constexpr std::uint32_t kWaitMs = 1000;
    // After a failed wait or context, before the monitor tries a new context.
    static constexpr std::chrono::milliseconds kRetryPause{500};

    CPresenceMonitor(std::string readerName, Report report);
    CPresenceMonitor(const CPresenceMonitor&) = delete;
    CPresenceMonitor& operator=(const CPresenceMonitor&) = delete;
    ~CPresenceMonitor();

    // Ends the thread and joins it. The blocked status wait is woken by cancelling the thread's own
    // PC/SC context (repeated every 20 ms, since a cancel that comes between two waits is lost), and
    // a pause between two tries is cut short, so this returns as soon as PC/SC answers; the wait's
    // own time-out bounds it by kWaitMs anyway.
    void Stop();

    // Waits until the first report or the end of the thread, at most `limit`. True when a report came.
    bool WaitForFirstReport(std::chrono::milliseconds limit);

private:
    void Run();
    // Follows the reader on one context until a wait fails or the monitor is stopped.
    void Watch(Presence& remembered);
    void Tell(Presence presence, Presence& remembered);

    const std::string m_readerName;
    const Report m_report;
    std::atomic<bool> m_stop{false};  // set under m_mutex, so that a pause cannot miss it

    std::mutex m_mutex;
    std::condition_variable m_changed;
    platform::PcscHandle m_context = 0;  // the thread's context while it waits; guarded by m_mutex
    bool m_cancelling = false;           // Stop is using m_context; guarded by m_mutex
    bool m_reported = false;             // guarded by m_mutex
    bool m_ended = false;                // guarded by m_mutex

    std::thread m_thread;  // last: starts after every other member is ready
};

}  // namespace tessaly
