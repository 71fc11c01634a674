#include "tools/objcomm/host/HostCommand.h"

#include <fstream>
#include <iterator>
#include <memory>

#include "common/cli/CommandLine.h"
#include "tools/objcomm/host/HostJsonReport.h"
#include "tools/objcomm/script/ScriptTokens.h"
#include "tools/objcomm/zolt/ZoltCommand.h"

namespace tessaly::tools {
namespace {

constexpr int kMaxPort = 65535;
constexpr int kMaxMilliseconds = 3600 * 1000;
constexpr int kMaxConnections = 1000000;
constexpr int kMaxRepeat = 10000;
constexpr std::size_t kMaxDeviceName = 255;

std::string CheckByteCode(const std::string& text) {
    return ParseCode(text, 0xFF) ? std::string() : "\"" + text + "\" is not a hexadecimal code from 00 to FF";
}

std::string CheckDeviceName(const std::string& text) {
    return text.size() <= kMaxDeviceName ? std::string() : "a device name has at most 255 characters";
}

std::uint8_t ByteCode(const std::string& text) {
    return static_cast<std::uint8_t>(ParseCode(text, 0xFF).value_or(0));
}

}  // namespace

int RunHostScript(const HostRun& run, const std::string* scriptText, const std::string& scriptName,
                  std::ostream& out, std::ostream& err) {
    HostScript script;
    if (scriptText != nullptr) {
        script = ParseHostScript(*scriptText, run.options.settings);
        if (!script.Ok()) {
            for (const ScriptError& error : script.errors) {
                err << scriptName << ":" << error.line << ": " << error.message << "\n";
            }
            return cli::kExitUsage;
        }
    }
    CHostServer server(run.options);
    std::string error;
    if (!server.Listen(error)) {
        err << "objcomm host: cannot listen on " << run.options.bind << ":" << run.options.port << ": "
            << error << "\n";
        return 1;
    }
    std::unique_ptr<CHostReport> report;
    if (run.json) {
        report = std::make_unique<CHostJsonReport>(out);
    } else {
        report = std::make_unique<CHostTextReport>(out);
    }
    report->Listening(run.options.bind, server.Port());
    if (run.onListening) {
        run.onListening(server.Port());
    }
    return server.Serve(scriptText != nullptr ? &script : nullptr, *report) ? 0 : 1;
}

CLI::App* AddHostCommand(CLI::App& app, HostCommandLine& line) {
    CLI::App* host = app.add_subcommand(
        "host", "Stand in for the host-side server of the driver and the configuration utility (HOST.md)");
    line.command = host;
    HostOptions& options = line.run.options;
    CLI::Option* script = host->add_option(
        "SCRIPT", line.script,
        "The script, or - for standard input; without one each connection gets its kind's default answers");
    host->add_option("--port", line.port, "The TCP port to listen on; 0 picks a free one (printed first)")
        ->required()
        ->check(CLI::Range(0, kMaxPort));
    host->add_option("--bind", options.bind, "The address to listen on")
        ->check(cli::Ipv4Address())
        ->capture_default_str();
    host->add_flag("--json", line.run.json, "Print one JSON object per line");
    host->add_flag("--keep-going", options.keepGoing, "Go on after a failure");
    CLI::Option* connections =
        host->add_option("--connections", line.connections, "Without a script: end after N connections")
            ->check(CLI::Range(1, kMaxConnections));
    CLI::Option* once = host->add_flag("--once", line.once, "Without a script: end after one connection")
                            ->excludes(connections);
    script->excludes(connections)->excludes(once);
    host->add_option("--cards", line.cards, "Connections in a row for each card section without repeat=")
        ->check(CLI::Range(1, kMaxRepeat))
        ->needs(script);
    host->add_option("--device-name", options.answers.deviceName,
                     "The name answered to a device-name request")
        ->check(CLI::Validator(CheckDeviceName, "NAME"))
        ->capture_default_str();
    const CLI::Validator code(CheckByteCode, "HEX");
    host->add_option("--register-error", line.registerError, "Refuse registrations with this error code")
        ->check(code);
    host->add_option("--name-error", line.nameError, "Refuse device-name requests with this error code")
        ->check(code);
    host->add_option("--accept", line.accept, "The accept code of the default Pass Through Complete")
        ->check(code)
        ->capture_default_str();
    host->add_option("--timeout", line.timeout,
                     "How long an expectation waits, in ms, unless the script says")
        ->check(CLI::Range(1, kMaxMilliseconds))
        ->capture_default_str();
    host->add_option("--idle", line.idle,
                     "End when no request arrives for this many ms (a failure while more is owed)")
        ->check(CLI::Range(1, kMaxMilliseconds));
    return host;
}

void AddHostCommand(CLI::App& app, cli::Action& chosen, const cli::Streams& io) {
    auto line = std::make_shared<HostCommandLine>();
    CLI::App* host = AddHostCommand(app, *line);
    cli::OnChosen(*host, chosen, [line, &io] { return RunHostCommand(*line, io.in, io.out, io.err); });
}

int RunHostCommand(HostCommandLine& line, std::istream& in, std::ostream& out, std::ostream& err) {
    HostOptions& options = line.run.options;
    options.port = static_cast<std::uint16_t>(line.port);
    if (line.once) {
        options.connections = 1;
    } else if (line.connections > 0) {
        options.connections = line.connections;
    }
    options.cards = line.cards;
    if (line.idle > 0) {
        options.idle = std::chrono::milliseconds(line.idle);
    }
    options.settings = HostSettings(std::chrono::milliseconds(line.timeout));
    if (!line.registerError.empty()) {
        options.answers.registerError = ByteCode(line.registerError);
    }
    if (!line.nameError.empty()) {
        options.answers.nameError = ByteCode(line.nameError);
    }
    options.answers.accept = ByteCode(line.accept);
    if (line.script.empty()) {
        return RunHostScript(line.run, nullptr, {}, out, err);
    }
    std::string text;
    if (!ReadScriptText(line.script, in, text)) {
        err << "objcomm host: cannot read the script " << line.script << "\n";
        return cli::kExitUsage;
    }
    return RunHostScript(line.run, &text, line.script, out, err);
}

}  // namespace tessaly::tools
