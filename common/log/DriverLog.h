// The driver's log file: one tab-separated line per record, one file per process, in the folder
// named by HKEY_CURRENT_USER\Software\Tessaly\Log File Viewer\LogPath (else the temporary folder).
// Every record opens, appends to and closes the file, so a viewer can read or move it in between.
// Lines end as a text stream ends them: LF on Linux, CR LF on Windows. Failures are silent.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "common/Types.h"
#include "platform/SystemInfo.h"

namespace tessaly {

// Local calendar time: month 1 to 12, hour 0 to 23.
using LogTime = platform::LocalTime;
using LogClock = std::function<LogTime()>;

LogTime LocalLogTime();

// The folder for log files, ending with the platform's path separator.
CString GetLogFolder();

// One log: off until enabled; its file is fixed by the first record written. Safe to share
// between threads.
class CDriverLog {
public:
    explicit CDriverLog(LogClock clock = LocalLogTime);

    void SetLoggingEnabled(bool enable);
    bool IsLoggingEnabled() const;
    // The folder, the module name and "_YYYY_MM_DD_hh_mm_ss.log" of the current time.
    CString MakeLogFileName(const CString& module) const;
    // The file of this log; empty until the first record.
    CString LogFilePath() const;
    // Appends one record; the message is escaped so that the record stays one line.
    void WriteLog(bool informational, const CString& module, const CString& revision, const CString& source,
                  std::int32_t line, const CString& message);

private:
    LogClock m_clock;
    // Non-zero means no record is written; 2 until someone decides.
    std::atomic<std::int32_t> m_disabled{2};
    mutable std::mutex m_mutex;
    CString m_path;  // guarded by m_mutex
};

// The log of this process.
CDriverLog& ProcessLog();

// The process log's operations.
void SetLoggingEnabled(bool enable);
// `module` is accepted for callers that name theirs; it does not matter.
bool IsLoggingEnabled(const CString& module);
CString MakeLogFileName(const CString& module);
void WriteLog(bool informational, const CString& module, const CString& revision, const CString& source,
              std::int32_t line, const CString& message);

}  // namespace tessaly
