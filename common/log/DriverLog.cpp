#include "common/log/DriverLog.h"

#include <ctime>

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "common/registry/Registry.h"
#include "platform/AppendFile.h"
#include "platform/SystemInfo.h"

namespace tessaly {
namespace {

constexpr const char* kLogPathValue = "HKEY_CURRENT_USER\\Software\\Tessaly\\Log File Viewer\\LogPath";

}  // namespace

LogTime LocalLogTime() {
    return platform::ToLocalTime(std::time(nullptr));
}

CString GetLogFolder() {
    // Only a string counts, and only up to its first zero byte: the rest could not be part of a
    // file name, and a number's bytes are no folder.
    CString folder = ReadRegistryText(kLogPathValue);
    if (IsBlank(folder)) {
        folder = platform::TemporaryFolder();
    }
    if (folder.empty() || folder.back() != platform::PathSeparator()) {
        folder.push_back(platform::PathSeparator());
    }
    return folder;
}

CDriverLog::CDriverLog(LogClock clock) : m_clock(std::move(clock)) {}

void CDriverLog::SetLoggingEnabled(bool enable) {
    m_disabled = enable ? 0 : 1;
}

bool CDriverLog::IsLoggingEnabled() const {
    return m_disabled == 0;
}

CString CDriverLog::MakeLogFileName(const CString& module) const {
    const LogTime t = m_clock();
    return GetLogFolder() + module +
           FormatText("_%04d_%02d_%02d_%02d_%02d_%02d.log", t.year, t.month, t.day, t.hour, t.minute,
                      t.second);
}

CString CDriverLog::LogFilePath() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_path;
}

void CDriverLog::WriteLog(bool informational, const CString& module, const CString& revision,
                          const CString& source, std::int32_t line, const CString& message) {
    if (!IsLoggingEnabled()) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (IsBlank(m_path)) {
        m_path = MakeLogFileName(module);
    }
    const LogTime t = m_clock();
    CString record =
        FormatText("%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    record += '\t';
    record += informational ? "M" : "E";
    record += '\t';
    record += module;
    record += '\t';
    record += revision;
    record += '\t';
    record += source;
    record += '\t';
    record += DecimalText(line);
    record += '\t';
    record += EscapeText(message);
    record += platform::TextLineEnd();
    // One appending write per record: another process that logs into the same file (both started
    // in the same second) adds its records after ours, never over them.
    platform::AppendToFile(m_path, record);
}

CDriverLog& ProcessLog() {
    static CDriverLog log;
    return log;
}

void SetLoggingEnabled(bool enable) {
    ProcessLog().SetLoggingEnabled(enable);
}

bool IsLoggingEnabled(const CString& /*module*/) {
    return ProcessLog().IsLoggingEnabled();
}

CString MakeLogFileName(const CString& module) {
    return ProcessLog().MakeLogFileName(module);
}

void WriteLog(bool informational, const CString& module, const CString& revision, const CString& source,
              std::int32_t line, const CString& message) {
    ProcessLog().WriteLog(informational, module, revision, source, line, message);
}

}  // namespace tessaly
