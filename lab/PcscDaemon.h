// A private pcscd: started in its own mount namespace where /run/pcscd is the lab's folder, so it
// never meets the system's daemon or another test's; ended by its PID.
#pragma once

#include <sys/types.h>

#include <string>

namespace tessaly::lab {

class CPcscDaemon {
  public:
    // The daemon program and the vpcd reader driver the lab uses.
    static const char* const kDaemonPath;
    static const char* const kVpcdDriverPath;

    // Starts pcscd in the foreground on the reader files of `configDir`; its socket appears in
    // `runDir`, its output in `logFile`. Throws CLabError when it cannot be started.
    CPcscDaemon(const std::string& runDir, const std::string& configDir, const std::string& logFile,
                bool debug);
    CPcscDaemon(const CPcscDaemon&) = delete;
    CPcscDaemon& operator=(const CPcscDaemon&) = delete;
    ~CPcscDaemon();

    pid_t Pid() const { return m_pid; }
    // False once the daemon has ended.
    bool IsRunning();
    // SIGTERM, then SIGKILL if it has not ended within two seconds; waits for it.
    void Stop();

  private:
    pid_t m_pid = -1;
};

// Empty when this process can start a private daemon; otherwise why not.
std::string DaemonUnavailable();

}  // namespace tessaly::lab
