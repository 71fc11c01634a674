// A program started by a test, with its output in files; ended by its PID when the test is done.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::test {

class CChildProcess {
public:
    // Starts `program` with `arguments`; stdout and stderr go to files in `folder`.
    CChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                  const std::filesystem::path& folder);
    // Kills the program (SIGKILL, by its PID) if it still runs, and reaps it.
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    bool Signal(int signal) const;
    // The exit status once the program has ended within `limit`; nothing when it has not (or was
    // killed by a signal).
    std::optional<int> Wait(std::chrono::milliseconds limit);
    bool Running();

    std::string Output() const;
    std::string Errors() const;
    // Wait until the output (standard error) contains `text`.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit) const;
    bool WaitForErrors(const std::string& text, std::chrono::milliseconds limit) const;

private:
    static bool WaitForText(const std::filesystem::path& file, const std::string& text,
                            std::chrono::milliseconds limit);

    pid_t m_pid = -1;
    bool m_reaped = false;
    int m_status = 0;
    std::filesystem::path m_out;
    std::filesystem::path m_err;
};

struct ToolResult {
    int exit = -1;
    std::string output;
    std::string errors;
};

// Runs a program to its end (at most 20 s) and returns what it wrote.
ToolResult RunTool(const std::string& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& folder);

}  // namespace tessaly::test
