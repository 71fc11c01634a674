// Who hears about a station's changes: the Windows window (it posts WM_STATION_CHANGED to itself)
// or the Linux program's screen. Calls come from the stations' server threads and from the thread
// that starts and stops them; an observer must return at once (post, queue, signal) and never wait
// for its own thread, or it would hold up the station that calls it.
#pragma once

#include "common/Types.h"

namespace tessaly {

class CStationObserver {
public:
    CStationObserver() = default;
    CStationObserver(const CStationObserver&) = delete;
    CStationObserver& operator=(const CStationObserver&) = delete;
    virtual ~CStationObserver() = default;

    // The status, client or transaction count of station `stationId` changed. The observer reads
    // the station's values when it gets round to it, as the window does for its posted message.
    virtual void OnStationChanged(int stationId) = 0;
    // A line for the operator's log: refused clients, warnings. `stationId` is 0 for lines about
    // all stations (the station key, the settings).
    virtual void OnStationLog(int stationId, const CString& text) = 0;
};

}  // namespace tessaly
