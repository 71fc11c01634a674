// The PID file of a `brantwick run` that runs the registry's station list, through which
// `brantwick config ... --restart` finds it. The file is BRANTWICK_PID_FILE when that is set, else
// /run/brantwick.pid for root, else $XDG_RUNTIME_DIR/brantwick.pid, else /tmp/brantwick-<uid>.pid.
#pragma once

#include <sys/types.h>
#include <optional>

#include "common/Types.h"

namespace tessaly::tools {

CString PidFilePath();

// The PID in the file when that process is alive and is a brantwick; nothing otherwise.
std::optional<pid_t> RunningBrantwick(const CString& path);

// Holds the PID file for the life of the object.
class CPidFile {
public:
    // Writes this process's PID. Fails (IsHeld false, Error says why) when another brantwick holds
    // the file or it cannot be written.
    explicit CPidFile(CString path);
    // Removes the file when it still names this process.
    ~CPidFile();
    CPidFile(const CPidFile&) = delete;
    CPidFile& operator=(const CPidFile&) = delete;

    bool IsHeld() const { return m_held; }
    const CString& Error() const { return m_error; }

private:
    CString m_path;
    bool m_held = false;
    CString m_error;
};

}  // namespace tessaly::tools
