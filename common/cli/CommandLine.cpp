#include "common/cli/CommandLine.h"

#include <charconv>

#include "common/TextEncoding.h"
#include "platform/Socket.h"
#include "tessaly/Version.h"

namespace tessaly::cli {
namespace {

// CLI11 names the option in front of a validator's text ("--port: ...").
std::string CheckPort(const std::string& text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value == 0 ||
        value > 65535) {
        return "\"" + text + "\" is not a port number (1 to 65535)";
    }
    return {};
}

std::string CheckIpv4(const std::string& text) {
    if (!platform::ParseIpv4(text)) {
        return "\"" + text + "\" is not a dotted-decimal IPv4 address";
    }
    return {};
}

std::string CheckHex(const std::string& text) {
    CByteArray bytes;
    if (!ParseHex(text, bytes)) {
        return "\"" + text + "\" is not hexadecimal bytes (pairs of digits, blanks allowed between pairs)";
    }
    return {};
}

std::string CheckWholeNumber(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range && end == text.data() + text.size()) {
        return "\"" + text + "\" is out of range";
    }
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return "\"" + text + "\" is not a whole number";
    }
    return {};
}

// "objcomm zolt" for an error inside the zolt command: the program and the commands the line chose.
std::string CommandName(const CLI::App& app) {
    std::string name = app.get_name();
    for (std::vector<CLI::App*> chosen = app.get_subcommands(); !chosen.empty();
         chosen = chosen.front()->get_subcommands()) {
        name += " " + chosen.front()->get_name();
    }
    return name;
}

}  // namespace

const char* VersionText() {
    return TESSALY_VERSION_TEXT;
}

void Prepare(CLI::App& app) {
    app.set_version_flag("--version", VersionText(), "Print the version and exit");
    app.set_help_flag("-h,--help", "Print this help and exit");
    // Options the command does not know go to the program's: --version after a command works.
    app.fallthrough();
    // One command per level; a word after it is never taken for another command (a value "list" of
    // `tessaly-reg set` is a value), and Run says when a command is missing.
    app.require_subcommand(0, 1);
    app.failure_message([](const CLI::App* program, const CLI::Error& error) {
        return CommandName(*program) + ": " + error.what() + "\nRun with --help for more information.\n";
    });
}

std::optional<int> Parse(CLI::App& app, const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err) {
    // CLI11 takes a vector in reverse order.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::Success& done) {
        return app.exit(done, out, err);
    } catch (const CLI::ParseError& error) {
        (void)app.exit(error, out, err);
        return kExitUsage;
    }
    return std::nullopt;
}

void OnChosen(CLI::App& command, Action& chosen, Action action) {
    command.callback([&chosen, action = std::move(action)] { chosen = action; });
}

int Run(CLI::App& app, const std::vector<std::string>& args, const Streams& io, const Action& chosen) {
    const CLI::App& program = app;
    const auto named = [&program](const std::string& word) {
        return !program
                    .get_subcommands([&word](const CLI::App* command) { return command->check_name(word); })
                    .empty();
    };
    if (!program.get_subcommands([](const CLI::App*) { return true; }).empty()) {
        if (args.empty()) {
            io.err << app.help();
            return kExitUsage;
        }
        // CLI11 would call it an unexpected argument.
        if (args.front().empty() || (args.front()[0] != '-' && !named(args.front()))) {
            io.err << app.get_name() << ": unknown command \"" << args.front()
                   << "\"\nRun with --help for more information.\n";
            return kExitUsage;
        }
    }
    if (const std::optional<int> status = Parse(app, args, io.out, io.err)) {
        return *status;
    }
    if (!chosen) {
        io.err << CommandName(app) << ": a command is required\nRun with --help for more information.\n";
        return kExitUsage;
    }
    return chosen();
}

std::vector<std::string> Arguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

const CLI::Validator& PortNumber() {
    static const CLI::Validator kValidator(CheckPort, "");
    return kValidator;
}

const CLI::Validator& Ipv4Address() {
    static const CLI::Validator kValidator(CheckIpv4, "");
    return kValidator;
}

const CLI::Validator& HexBytes() {
    static const CLI::Validator kValidator(CheckHex, "");
    return kValidator;
}

const CLI::Validator& WholeNumber() {
    static const CLI::Validator kValidator(CheckWholeNumber, "");
    return kValidator;
}

}  // namespace tessaly::cli
