#include "driver/QuorlinLog.h"

#include "common/log/DriverLog.h"

namespace tessaly {

void LogInfo(const CString& message, std::source_location where) {
    WriteLog(true, kLogModule, kLogRevision, kLogSource, static_cast<std::int32_t>(where.line()), message);
}

void LogError(const CString& message, std::source_location where) {
    WriteLog(false, kLogModule, kLogRevision, kLogSource, static_cast<std::int32_t>(where.line()), message);
}

}  // namespace tessaly
