#include "driver/QuorlinLog.h"

#include "common/log/DriverLog.h"

namespace tessaly {

void LogInfo(int line, const CString& message) {
    WriteLog(true, kLogModule, kLogRevision, kLogSource, line, message);
}

void LogError(int line, const CString& message) {
    WriteLog(false, kLogModule, kLogRevision, kLogSource, line, message);
}

}  // namespace tessaly
