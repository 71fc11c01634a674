// Golden command-line sessions kept in data files: command lines with their exact output and exit
// status, run in order against one program.
//
//   # a comment
//   @ words     a setting for the commands after it, handed to the test's hook
//   $ words     a command line: split at blanks, "..." keeps blanks (backslashes are plain)
//   < text      a line of standard input
//   > text      a line of standard output (">" alone: an empty line)
//   ! text      a line of standard error
//   = N         the exit status (0 when not given)
//
// {name} in a line stands for the test's value of that name when the line is used.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/cli/CommandLine.h"

namespace tessaly::test {

using Values = std::map<std::string, std::string>;
// One command line run in this process.
using Program = std::function<int(const std::vector<std::string>& args, const cli::Streams& io)>;
// Told of each "@" line; may change the values.
using Setting = std::function<void(const std::vector<std::string>& words, Values& values)>;

// Runs every command of the file; each difference fails the test with the file's line.
void RunTranscript(const std::filesystem::path& file, const Program& program, Values values = {},
                   const Setting& setting = {});

// The words of a line, as a "$" line is split.
std::vector<std::string> SplitWords(const std::string& text);

}  // namespace tessaly::test
