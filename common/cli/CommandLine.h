// Every program's command line is built the same way on CLI11: subcommands, options before or after
// the arguments, --help on the program and on each subcommand (usage on standard output, exit 0),
// --version, and usage errors on standard error naming the option, with exit status 2.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tessaly::cli {

inline constexpr int kExitUsage = 2;

// The deliverables' version, "2.0.0.27".
const char* VersionText();

// Adds --version and the common settings to a program's top-level command.
void Prepare(CLI::App& app);

// Parses the arguments (without the program name). Returns the exit status when the program ends
// here (help, version, usage error; the texts are written to `out` or `err`), or nothing when the
// parsed command is to run.
std::optional<int> Parse(CLI::App& app, const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err);

// Validators whose messages name the option they are attached to.
// A TCP port, 1 to 65535.
const CLI::Validator& PortNumber();
// Dotted-decimal IPv4, as the sockets take it (no host names).
const CLI::Validator& Ipv4Address();
// Hexadecimal bytes: pairs of digits, blanks allowed between them, case free.
const CLI::Validator& HexBytes();

}  // namespace tessaly::cli
