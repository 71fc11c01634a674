// objcomm: a protocol debugger for people and scripts.
#include <iostream>
#include <string>
#include <vector>

#include "tools/objcomm/DecodeCommand.h"
#include "tools/objcomm/zolt/ZoltCommand.h"

namespace {

const char* const kUsage =
    "usage: objcomm <command> [arguments]\n"
    "commands:\n"
    "  decode [--ack] [--extended] [--json] HEX...   decode one packet (--ack: one a station sends)\n"
    "  zolt [--json] [--keep-going] HOST PORT SCRIPT  play a script against a key station (- reads stdin)\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::cout << kUsage;
        return args.empty() ? 2 : 0;
    }
    const std::string command = args[0];
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
