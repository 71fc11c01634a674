#include "keystations/cli/StationEvents.h"

#include <ctime>
#include <utility>

#include "common/Format.h"
#include "platform/SystemInfo.h"

namespace tessaly::tools {

CString TimeStamp() {
    const platform::LocalTime now = platform::ToLocalTime(std::time(nullptr));
    return FormatText("%04d-%02d-%02d %02d:%02d:%02d ", now.year, now.month, now.day, now.hour, now.minute,
                      now.second);
}

void CStationEvents::OnStationChanged(int stationId) {
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_pending.changed.insert(stationId);
    }
    m_signal.notify_one();
}

void CStationEvents::OnStationLog(int stationId, const CString& text) {
    CString line = TimeStamp();
    if (stationId != 0) {
        line += FormatText("station %d: ", stationId);
    }
    line += text;
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_pending.logLines.push_back(std::move(line));
    }
    m_signal.notify_one();
}

void CStationEvents::PostRestart() {
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        ++m_pending.restarts;
    }
    m_signal.notify_one();
}

void CStationEvents::PostStop() {
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_pending.stop = true;
    }
    m_signal.notify_one();
}

CStationEvents::Batch CStationEvents::Wait(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_signal.wait_for(lock, limit, [this] { return !m_pending.Empty(); });
    return std::exchange(m_pending, Batch{});
}

}  // namespace tessaly::tools
