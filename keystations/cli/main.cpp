// brantwick: the key stations on Linux. See keystations/README.md.
#include <iostream>
#include <string>
#include <vector>

#include "cardaccess/ReaderErrors.h"
#include "cardaccess/ReaderList.h"
#include "common/cli/CommandLine.h"
#include "keystations/cli/ConfigCommand.h"
#include "keystations/cli/RunCommand.h"

namespace {

using namespace tessaly;

// "Cannot find a smart card reader.": an empty list, not a failure.
constexpr std::uint32_t kNoReaders = 0x8010002E;

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

// The text of a --station value that is not "READER=PORT"; empty for a good one.
std::string CheckStation(const std::string& text) {
    KeyStationEntry entry;
    CString error;
    return tools::ParseStationArgument(text, entry, error) ? std::string() : error;
}

struct Given {
    std::vector<std::string> stations;
    std::string reader;
    std::string port;
    std::string index;
    bool restart = false;
};

int Run(const Given& given) {
    tools::RunOptions options;
    for (const std::string& text : given.stations) {
        KeyStationEntry entry;
        CString error;
        if (!tools::ParseStationArgument(text, entry, error)) {
            std::cerr << "brantwick run: --station: " << error << "\n";
            return cli::kExitUsage;
        }
        options.stations.push_back(entry);
    }
    return tools::RunStations(options);
}

void AddRestart(CLI::App& command, Given& given) {
    command.add_flag(
        "--restart", given.restart,
        "Make a running brantwick restart its stations (the \"Yes\" to \"Configuration has changed - "
        "restart key servers?\")");
}

int Main(int argc, char** argv) {
    CLI::App app("The key stations: one TCP server per configured PC/SC reader.", "brantwick");
    cli::Prepare(app);
    app.footer("Exit status: 0 done, 1 failed, 2 wrong usage.");
    cli::Action chosen;
    Given given;

    CLI::App* run =
        app.add_subcommand("run", "Run the key stations until SIGINT or SIGTERM (SIGHUP restarts them)");
    run->add_option("--station", given.stations,
                    "A station on READER at PORT, instead of the registry's list (repeatable)")
        ->type_name("\"READER=PORT\"")
        ->allow_extra_args(false)
        ->check(CLI::Validator(CheckStation, ""));
    cli::OnChosen(*run, chosen, [&given] { return Run(given); });

    CLI::App* config =
        app.add_subcommand("config", "Edit the registry's station list with the dialog's rules");
    CLI::App* list =
        config->add_subcommand("list", "Show the stations, the proposed port and the readers offered");
    cli::OnChosen(*list, chosen, [] { return tools::ConfigList(); });
    CLI::App* add = config->add_subcommand("add", "Add a station");
    add->add_option("READER", given.reader, "A PC/SC reader no station uses yet")->required();
    add->add_option("PORT", given.port, "Its TCP port, 1 to 30000, not in use by another station")
        ->required();
    AddRestart(*add, given);
    cli::OnChosen(*add, chosen,
                  [&given] { return tools::ConfigAdd(given.reader, given.port, given.restart); });
    CLI::App* remove = config->add_subcommand("remove", "Remove a station");
    remove->add_option("INDEX", given.index, "The station's number in config list (from 0)")->required();
    AddRestart(*remove, given);
    cli::OnChosen(*remove, chosen, [&given] { return tools::ConfigRemove(given.index, given.restart); });

    CLI::App* readers = app.add_subcommand("readers", "List the PC/SC readers");
    cli::OnChosen(*readers, chosen, [] { return Readers(); });

    return cli::Run(app, cli::Arguments(argc, argv), {std::cin, std::cout, std::cerr}, chosen);
}

}  // namespace

int main(int argc, char** argv) {
    return cli::Guarded("brantwick", [&] { return Main(argc, argv); });
}
