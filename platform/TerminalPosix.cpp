#include "platform/Terminal.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <optional>

namespace tessaly::platform {
namespace {

// Echo off for the lifetime of the object; restored on every path.
class CEchoOff {
public:
    CEchoOff() {
        if (tcgetattr(STDIN_FILENO, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            m_active = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~CEchoOff() {
        if (m_active) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
            std::fputc('\n', stderr);
        }
    }
    CEchoOff(const CEchoOff&) = delete;
    CEchoOff& operator=(const CEchoOff&) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

}  // namespace

bool IsInteractiveTerminal() {
    return isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1;
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

bool ReadTerminalLine(std::string& line, bool hidden) {
    line.clear();
    std::optional<CEchoOff> echoOff;
    if (hidden) {
        echoOff.emplace();
    }
    return static_cast<bool>(std::getline(std::cin, line));
}

}  // namespace tessaly::platform
