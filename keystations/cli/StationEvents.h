// Where the stations' reports and the signals meet the program's main thread. The stations call in
// from their own threads and return at once; the main thread takes everything that has gathered in
// one batch. Changes of one station coalesce: the screen shows the values at the time it reads them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <vector>

#include "common/Types.h"
#include "keystations/StationObserver.h"

namespace tessaly::tools {

class CStationEvents final : public CStationObserver {
public:
    struct Batch {
        std::set<int> changed;  // station ids
        CStringArray logLines;  // time-stamped, in order
        int restarts = 0;       // SIGHUP
        bool stop = false;      // SIGINT or SIGTERM
        bool Empty() const { return changed.empty() && logLines.empty() && restarts == 0 && !stop; }
    };

    void OnStationChanged(int stationId) override;
    void OnStationLog(int stationId, const CString& text) override;
    void PostRestart();
    void PostStop();

    // Everything gathered so far; waits up to `limit` for the first event when nothing is there.
    Batch Wait(std::chrono::milliseconds limit);

private:
    std::mutex m_lock;
    std::condition_variable m_signal;
    Batch m_pending;  // guarded by m_lock
};

// "2025-03-04 05:06:07 " for the current local time.
CString TimeStamp();

}  // namespace tessaly::tools
