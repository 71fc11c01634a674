// Appending whole records to a text file that other processes may append to at the same time.
#pragma once

#include <string>

namespace tessaly::platform {

// The end of a line in a text file: CR LF on Windows, LF elsewhere.
const char* TextLineEnd();

// Adds `record` at the end of the file at `path` with one write, creating the file when missing
// and never truncating it, so records of several writers (threads or processes) land whole one
// after another. False when the file cannot be opened or written, or the path holds a zero byte.
bool AppendToFile(const std::string& path, const std::string& record);

}  // namespace tessaly::platform
