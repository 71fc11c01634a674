// objcomm: a protocol debugger for people and scripts.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "common/cli/CommandLine.h"
#include "tools/objcomm/DecodeCommand.h"
#include "tools/objcomm/host/HostCommand.h"
#include "tools/objcomm/zolt/ZoltCommand.h"

namespace {

const char* const kUsage =
    "usage: objcomm <command> [arguments]\n"
    "commands:\n"
    "  decode [--ack] [--extended] [--json] HEX...   decode one packet (--ack: one a station sends)\n"
    "  zolt [--json] [--keep-going] HOST PORT SCRIPT  play a script against a key station (- reads stdin)\n"
    "  host --port N [options] [SCRIPT]               stand in for the host's server (host --help)\n";

int RunHost(const std::vector<std::string>& args) {
    try {
        CLI::App app("objcomm: a protocol debugger", "objcomm");
        tessaly::cli::Prepare(app);
        tessaly::tools::HostCommandLine host;
        tessaly::tools::AddHostCommand(app, host);
        if (const std::optional<int> done = tessaly::cli::Parse(app, args, std::cout, std::cerr)) {
            return *done;
        }
        return tessaly::tools::RunHostCommand(host, std::cin, std::cout, std::cerr);
    } catch (const std::exception& error) {
        // Memory running out is the one failure left; it ends the run, reported.
        std::cerr << "objcomm host: " << error.what() << "\n";
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::cout << kUsage;
        return args.empty() ? 2 : 0;
    }
    const std::string command = args[0];
    if (command == "host") {
        return RunHost(args);
    }
    args.erase(args.begin());
    if (command == "decode") {
        return tessaly::tools::RunDecode(args, std::cout, std::cerr);
    }
    if (command == "zolt") {
        return tessaly::tools::RunZolt(args, std::cin, std::cout, std::cerr);
    }
    std::cerr << "objcomm: unknown command " << command << "\n" << kUsage;
    return 2;
}
