#include "lab/PcscDaemon.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "lab/LabError.h"

namespace tessaly::lab {

const char* const CPcscDaemon::kDaemonPath = "/usr/sbin/pcscd";
const char* const CPcscDaemon::kVpcdDriverPath = "/usr/lib/pcsc/drivers/serial/libifdvpcd.so";

namespace {

constexpr int kCannotIsolate = 126;
constexpr int kCannotExec = 127;

// Runs in the child between fork and exec: system calls only.
[[noreturn]] void StartInNamespace(pid_t parent, const char* runDir, const char* logFile, char* const* argv) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) {
        ::_exit(kCannotIsolate);
    }
    const int log = ::open(logFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log >= 0) {
        ::dup2(log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
    }
    const int none = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (none >= 0) {
        ::dup2(none, STDIN_FILENO);
    }
    // Nothing of the test process (card connections above all) may stay open in the daemon.
    ::syscall(SYS_close_range, 3U, ~0U, 0U);
    // A private copy of the mount table; /run is replaced by an empty tmpfs there, so the host's
    // /run is neither seen nor changed.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", "/run", "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") != 0 ||
        ::mkdir("/run/pcscd", 0755) != 0 || ::mount(runDir, "/run/pcscd", nullptr, MS_BIND, nullptr) != 0) {
        ::_exit(kCannotIsolate);
    }
    ::execv(argv[0], argv);
    ::_exit(kCannotExec);
}

}  // namespace

CPcscDaemon::CPcscDaemon(const std::string& runDir, const std::string& configDir, const std::string& logFile,
                         bool debug) {
    std::vector<std::string> arguments{kDaemonPath, "--foreground", "--config", configDir};
    if (debug) {
        arguments.emplace_back("--debug");
        arguments.emplace_back("--apdu");
    }
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid < 0) {
        throw CLabError(std::string("cannot start pcscd: ") + std::strerror(errno));
    }
    if (m_pid == 0) {
        StartInNamespace(parent, runDir.c_str(), logFile.c_str(), argv.data());
    }
}

CPcscDaemon::~CPcscDaemon() {
    Stop();
}

bool CPcscDaemon::IsRunning() {
    if (m_pid <= 0) {
        return false;
    }
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
    }
    return true;
}

void CPcscDaemon::Stop() {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    m_pid = -1;
}

std::string DaemonUnavailable() {
    if (::geteuid() != 0) {
        return "the virtual card lab needs root: pcscd runs in a private mount namespace (unshare -m)";
    }
    if (::access(CPcscDaemon::kDaemonPath, X_OK) != 0) {
        return std::string("the virtual card lab needs pcscd at ") + CPcscDaemon::kDaemonPath +
               " (apt-get install pcscd)";
    }
    if (::access(CPcscDaemon::kVpcdDriverPath, R_OK) != 0) {
        return std::string("the virtual card lab needs the vpcd reader driver at ") +
               CPcscDaemon::kVpcdDriverPath + " (apt-get install vsmartcard-vpcd)";
    }
    // Try the isolation in a child, where a failure changes nothing.
    const pid_t child = ::fork();
    if (child < 0) {
        return std::string("cannot fork: ") + std::strerror(errno);
    }
    if (child == 0) {
        const bool isolated = ::unshare(CLONE_NEWNS) == 0 &&
                              ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                              ::mount("tmpfs", "/run", "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") == 0;
        ::_exit(isolated ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "the virtual card lab cannot make a private mount namespace here (unshare -m and mount are "
               "refused)";
    }
    return {};
}

}  // namespace tessaly::lab
