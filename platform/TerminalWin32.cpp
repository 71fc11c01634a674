#include "platform/Terminal.h"

#include "platform/WindowsBase.h"

#include <io.h>

#include <cstdio>
#include <iostream>
#include <optional>

namespace tessaly::platform {
namespace {

// Console echo off for the lifetime of the object; restored on every path.
class CEchoOff {
public:
    CEchoOff() : m_input(GetStdHandle(STD_INPUT_HANDLE)) {
        if (GetConsoleMode(m_input, &m_saved) != 0) {
            m_active = SetConsoleMode(m_input, m_saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
        }
    }
    ~CEchoOff() {
        if (m_active) {
            SetConsoleMode(m_input, m_saved);
            std::fputc('\n', stderr);
        }
    }
    CEchoOff(const CEchoOff&) = delete;
    CEchoOff& operator=(const CEchoOff&) = delete;

private:
    HANDLE m_input;
    DWORD m_saved = 0;
    bool m_active = false;
};

}  // namespace

bool IsInteractiveTerminal() {
    return _isatty(_fileno(stdin)) != 0 && _isatty(_fileno(stderr)) != 0;
}

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
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
