#include "keystations/cli/PidFile.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "common/Format.h"

namespace tessaly::tools {
namespace {

constexpr const char* kProgramName = "brantwick";

std::optional<pid_t> ReadPid(const CString& path) {
    std::ifstream file(path);
    long value = 0;
    if (!(file >> value) || value <= 0) {
        return std::nullopt;
    }
    return static_cast<pid_t>(value);
}

// A live process whose command name is this program's: a PID reused by another program is not ours.
bool IsBrantwick(pid_t pid) {
    if (kill(pid, 0) != 0 && errno != EPERM) {
        return false;
    }
    std::ifstream comm(FormatText("/proc/%ld/comm", static_cast<long>(pid)));
    std::string name;
    return static_cast<bool>(std::getline(comm, name)) && name == kProgramName;
}

}  // namespace

CString PidFilePath() {
    if (const char* configured = std::getenv("BRANTWICK_PID_FILE");
        configured != nullptr && *configured != 0) {
        return configured;
    }
    if (geteuid() == 0) {
        return "/run/brantwick.pid";
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != 0) {
        return CString(runtime) + "/brantwick.pid";
    }
    return FormatText("/tmp/brantwick-%ld.pid", static_cast<long>(geteuid()));
}

std::optional<pid_t> RunningBrantwick(const CString& path) {
    const std::optional<pid_t> pid = ReadPid(path);
    if (!pid || !IsBrantwick(*pid)) {
        return std::nullopt;
    }
    return pid;
}

CPidFile::CPidFile(CString path) : m_path(std::move(path)) {
    if (const std::optional<pid_t> other = RunningBrantwick(m_path); other && *other != getpid()) {
        m_error = FormatText("brantwick is already running with the station list (PID %ld, %s)",
                             static_cast<long>(*other), m_path.c_str());
        return;
    }
    (void)unlink(m_path.c_str());  // stale: its process is gone
    const int fd = open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_error = FormatText("cannot write the PID file %s: %s", m_path.c_str(), std::strerror(errno));
        return;
    }
    const CString text = FormatText("%ld\n", static_cast<long>(getpid()));
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    if (!written) {
        (void)unlink(m_path.c_str());
        m_error = FormatText("cannot write the PID file %s", m_path.c_str());
        return;
    }
    m_held = true;
}

CPidFile::~CPidFile() {
    if (m_held && ReadPid(m_path) == getpid()) {
        (void)unlink(m_path.c_str());
    }
}

}  // namespace tessaly::tools
