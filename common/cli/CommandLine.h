// Every program's command line is built the same way on CLI11: subcommands, options before or after
// the arguments, --help on the program and on each subcommand (usage on standard output, exit 0),
// --version, and usage errors on standard error naming the option, with exit status 2.
//
// A command registers its options and, with OnChosen, the work it does. The work runs only after the
// whole line has parsed, so a usage error anywhere in the line stops the program before it does
// anything.
#pragma once

#include <CLI/CLI.hpp>

#include <exception>
#include <functional>
#include <iostream>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tessaly::cli {

inline constexpr int kExitUsage = 2;

// The streams a program reads and writes (std::cin, std::cout, std::cerr; string streams in tests).
struct Streams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

// The work of the command a line chose; returns the exit status.
using Action = std::function<int()>;

// The deliverables' version, "2.0.0.27".
const char* VersionText();

// Adds --help, --version and the common settings to a program's top-level command. Call it before
// adding subcommands: they take the help flag and the settings from their parent.
void Prepare(CLI::App& app);

// Parses the arguments (without the program name). Returns the exit status when the program ends
// here (help, version, usage error; the texts are written to `out` or `err`), or nothing when the
// parsed command is to run.
std::optional<int> Parse(CLI::App& app, const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err);

// When the line chooses `command`, `action` becomes the program's `chosen` work.
void OnChosen(CLI::App& command, Action& chosen, Action action);

// Parses the line and runs the chosen work. A program with commands shows its usage on `err` when run
// without arguments, and refuses a line that names no command (status 2).
int Run(CLI::App& app, const std::vector<std::string>& args, const Streams& io, const Action& chosen);

// The arguments after the program name.
std::vector<std::string> Arguments(int argc, char** argv);

// Runs a program's work from main. An exception that gets this far (out of memory, a failed write)
// ends the program with status 1 and its text on standard error instead of an abort.
template <class Work>
int Guarded(const char* program, Work&& work) noexcept {
    try {
        return work();
    } catch (const std::exception& error) {
        try {
            std::cerr << program << ": " << error.what() << "\n";
        } catch (...) {
            // Nothing more can be said.
        }
    } catch (...) {
        // Not an error this code throws; the status says it failed.
    }
    return 1;
}

// Validators whose messages name the option they are attached to. They add nothing to the type
// shown in the help; give the option a type_name where the default says too little.
// A TCP port, 1 to 65535.
const CLI::Validator& PortNumber();
// Dotted-decimal IPv4, as the sockets take it (no host names).
const CLI::Validator& Ipv4Address();
// Hexadecimal bytes: pairs of digits, blanks allowed between pairs, case free.
const CLI::Validator& HexBytes();
// A whole number that an int holds: "12", "-3"; not "1.5", "0x10" or blanks.
const CLI::Validator& WholeNumber();

}  // namespace tessaly::cli
