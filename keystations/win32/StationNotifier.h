// How the stations reach the window: every change of a station is posted to the frame as
// WM_STATION_CHANGED with the station id, from whichever thread made it; the frame reads the
// station when it handles the message. Posting never waits for the window.
#pragma once

#include "platform/WindowsBase.h"

#include <atomic>

#include "keystations/StationObserver.h"

// wParam: the station id; lParam: 0.
#define WM_STATION_CHANGED (WM_APP + 1)

namespace tessaly::win32 {

class CStationNotifier : public CStationObserver {
public:
    // Null tells nobody (before the window exists, and after it is gone).
    void SetWindow(HWND window) { m_window.store(window); }

    void OnStationChanged(int stationId) override;
    // The window has no log pane: lines go to the system debugger output.
    void OnStationLog(int stationId, const CString& text) override;

private:
    std::atomic<HWND> m_window{nullptr};
};

}  // namespace tessaly::win32
