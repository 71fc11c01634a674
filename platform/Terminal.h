// The process's terminal, for operator prompts and progress displays.
#pragma once

#include <string>

namespace tessaly::platform {

// True when standard input and standard error are both terminals: someone can read a prompt on
// standard error and answer it on standard input.
bool IsInteractiveTerminal();

// True when standard error is a terminal (progress lines may be redrawn in place).
bool StandardErrorIsTerminal();

// Reads one line from standard input, without its line end. With `hidden` the typed characters
// are not echoed. False at the end of the input or on a read error.
bool ReadTerminalLine(std::string& line, bool hidden);

}  // namespace tessaly::platform
