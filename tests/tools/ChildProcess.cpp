#include "tests/tools/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "tests/registry/TempRegistry.h"

extern char** environ;

namespace tessaly::test {
namespace {

std::atomic<int> g_sequence{0};

}  // namespace

CChildProcess::CChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                             const std::filesystem::path& folder) {
    const int number = g_sequence.fetch_add(1);
    m_out = folder / ("out-" + std::to_string(number) + ".txt");
    m_err = folder / ("err-" + std::to_string(number) + ".txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> words = arguments;
    words.insert(words.begin(), program);
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        ADD_FAILURE() << "cannot start " << program;
        m_pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
}

CChildProcess::~CChildProcess() {
    if (m_pid > 0 && !m_reaped) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &m_status, 0);
    }
}

bool CChildProcess::Signal(int signal) const {
    return m_pid > 0 && !m_reaped && kill(m_pid, signal) == 0;
}

bool CChildProcess::Running() {
    if (m_pid <= 0 || m_reaped) {
        return false;
    }
    if (waitpid(m_pid, &m_status, WNOHANG) == m_pid) {
        m_reaped = true;
        return false;
    }
    return true;
}

std::optional<int> CChildProcess::Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!m_reaped || !WIFEXITED(m_status)) {
        return std::nullopt;
    }
    return WEXITSTATUS(m_status);
}

std::string CChildProcess::Output() const {
    return ReadFileBytes(m_out);
}

std::string CChildProcess::Errors() const {
    return ReadFileBytes(m_err);
}

bool CChildProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit) const {
    return WaitForText(m_out, text, limit);
}

bool CChildProcess::WaitForErrors(const std::string& text, std::chrono::milliseconds limit) const {
    return WaitForText(m_err, text, limit);
}

bool CChildProcess::WaitForText(const std::filesystem::path& file, const std::string& text,
                                std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadFileBytes(file).find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

ToolResult RunTool(const std::string& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& folder) {
    CChildProcess child(program, arguments, folder);
    ToolResult result;
    result.exit = child.Wait(std::chrono::seconds(20)).value_or(-1);
    result.output = child.Output();
    result.errors = child.Errors();
    return result;
}

}  // namespace tessaly::test
