// Reading a .reg file's bytes as lines of characters: UTF-16LE or UTF-8 with a byte order mark,
// else one character per byte.
#pragma once

#include <string>
#include <vector>

namespace tessaly::tools {

// The lines of the file without their line ends. False with "line N: ..." or a file-wide reason.
bool DecodeRegFileLines(const std::string& bytes, std::vector<std::u32string>& lines, std::string& error);
// A line as single-byte text; false for a character above U+00FF (`number` names the line).
bool ToSingleByte(const std::u32string& line, std::string& out, int number, std::string& error);

}  // namespace tessaly::tools
