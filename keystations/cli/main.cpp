// brantwick: the key stations on Linux. See keystations/README.md.
#include <iostream>
#include <string>
#include <vector>

#include "cardaccess/ReaderErrors.h"
#include "cardaccess/ReaderList.h"
#include "keystations/cli/ConfigCommand.h"
#include "keystations/cli/RunCommand.h"

namespace {

using namespace tessaly;

constexpr int kUsageError = 2;
// "Cannot find a smart card reader.": an empty list, not a failure.
constexpr std::uint32_t kNoReaders = 0x8010002E;

constexpr const char* kUsage =
    "usage: brantwick run [--station \"READER=PORT\"]...\n"
    "       brantwick config list\n"
    "       brantwick config add READER PORT [--restart]\n"
    "       brantwick config remove INDEX [--restart]\n"
    "       brantwick readers\n";

int Usage(const char* problem = nullptr) {
    if (problem != nullptr) {
        std::cerr << "brantwick: " << problem << "\n";
    }
    std::cerr << kUsage;
    return kUsageError;
}

int Readers() {
    CStringArray names;
    const std::uint32_t result = ListReaders(names);
    if (result != 0 && result != kNoReaders) {
        std::cerr << "PC/SC readers could not be listed: " << ReaderErrorText(result) << "\n";
        return 1;
    }
    for (const CString& name : names) {
        std::cout << name << "\n";
    }
    return 0;
}

int Run(const std::vector<std::string>& args) {
    tools::RunOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] != "--station" || i + 1 == args.size()) {
            return Usage(("unexpected argument: " + args[i]).c_str());
        }
        KeyStationEntry entry;
        CString error;
        if (!tools::ParseStationArgument(args[++i], entry, error)) {
            return Usage(error.c_str());
        }
        options.stations.push_back(entry);
    }
    return tools::RunStations(options);
}

int Config(std::vector<std::string> args) {
    bool restart = false;
    std::vector<std::string> words;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--restart") {
            restart = true;
        } else {
            words.push_back(args[i]);
        }
    }
    if (words.size() == 1 && words[0] == "list" && !restart) {
        return tools::ConfigList();
    }
    if (words.size() == 3 && words[0] == "add") {
        return tools::ConfigAdd(words[1], words[2], restart);
    }
    if (words.size() == 2 && words[0] == "remove") {
        return tools::ConfigRemove(words[1], restart);
    }
    return Usage();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Usage();
    }
    if (args[0] == "run") {
        return Run(args);
    }
    if (args[0] == "config") {
        return Config(args);
    }
    if (args[0] == "readers" && args.size() == 1) {
        return Readers();
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::cout << kUsage;
        return 0;
    }
    return Usage(("unknown command: " + args[0]).c_str());
}
