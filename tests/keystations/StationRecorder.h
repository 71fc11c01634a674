// An observer for tests: records every change report and log line, and can wait for a status.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "keystations/KeyStation.h"
#include "keystations/StationObserver.h"

namespace tessaly::test {

class CStationRecorder final : public CStationObserver {
public:
    void OnStationChanged(int stationId) override {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_changes.push_back(stationId);
        m_changed.notify_all();
    }
    void OnStationLog(int stationId, const CString& text) override {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_log.push_back({stationId, text});
        m_changed.notify_all();
    }

    struct LogLine {
        int stationId;
        CString text;
    };
    std::vector<int> Changes() const {
        const std::lock_guard<std::mutex> lock(m_lock);
        return m_changes;
    }
    std::vector<LogLine> Log() const {
        const std::lock_guard<std::mutex> lock(m_lock);
        return m_log;
    }
    // Waits until `station` shows `status` (it is asked after every report).
    bool WaitForStatus(const CKeyStation& station, StationStatus status,
                       std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, limit, [&] { return station.GetStatus() == status; });
    }
    bool WaitForLog(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, limit, [&] { return m_log.size() >= count; });
    }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<int> m_changes;
    std::vector<LogLine> m_log;
};

}  // namespace tessaly::test
