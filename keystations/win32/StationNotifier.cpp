#include "keystations/win32/StationNotifier.h"

#include "common/Format.h"

namespace tessaly::win32 {

void CStationNotifier::OnStationChanged(int stationId) {
    if (HWND window = m_window.load()) {
        (void)PostMessageA(window, WM_STATION_CHANGED, static_cast<WPARAM>(stationId), 0);
    }
}

void CStationNotifier::OnStationLog(int stationId, const CString& text) {
    const CString line = stationId == 0
                             ? FormatText("Key Stations: %s\n", text.c_str())
                             : FormatText("Key Stations: station %d: %s\n", stationId, text.c_str());
    OutputDebugStringA(line.c_str());
}

}  // namespace tessaly::win32
