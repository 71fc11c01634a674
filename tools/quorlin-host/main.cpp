// quorlin-host: a stand-in for the host personalization application. It loads the driver through
// its C API and calls its methods, one call per subcommand (or a whole job), and prints what each
// call returned and wrote.
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "common/TextEncoding.h"
#include "common/cli/CommandLine.h"
#include "tools/quorlin-host/HostSession.h"
#include "tools/quorlin-host/JobRun.h"
#include "tools/quorlin-host/ScriptedOperator.h"

namespace {

using namespace tessaly;
using namespace tessaly::tools;

constexpr int kCallFailed = 1;
constexpr int kNoDriver = 3;

struct Arguments {
    bool json = false;
    std::string operatorScript;
    std::string application;
    std::string firHex;
    std::string dataHex;
    std::size_t cards = 1;
    std::string name;
    std::string previous;
    bool overwrite = false;
};

CLI::Validator OperatorScript() {
    return CLI::Validator(
        [](const std::string& text) {
            std::string error;
            return ParseOperatorScript(text, error) ? std::string() : error;
        },
        "ANSWERS");
}

CByteArray Hex(const std::string& text) {
    CByteArray bytes;
    (void)ParseHex(text, bytes);  // checked by the option's validator
    return bytes;
}

int Report(const CallReport& report, bool json) {
    std::cout << (json ? ReportJson(report) : ReportText(report)) << "\n";
    return report.result == QUORLIN_OK ? 0 : kCallFailed;
}

int Run(int argc, char** argv) {
    CLI::App app{"A stand-in for the host personalization application: calls the Quorlin driver.",
                 "quorlin-host"};
    cli::Prepare(app);
    Arguments args;
    CLI::Option* operatorOption =
        app.add_option(
               "--operator", args.operatorScript,
               "Answers of the operator, one per dialog in order: a button letter (Y O N C S E, or esc), "
               "optionally :TEXT typed; when they run out the operator is absent")
            ->check(OperatorScript());
    app.add_flag("--json", args.json, "One JSON object per call");

    CLI::App* initialize = app.add_subcommand("initialize", "Start a job (Initialize)");
    initialize->add_option("--app", args.application, "Application name")->required();
    initialize->add_option("--fir", args.firHex, "FIR data")->check(cli::HexBytes());

    CLI::App* processCard = app.add_subcommand("process-card", "Personalize one card (ProcessCard)");
    processCard->add_option("--app", args.application, "Application name")->required();
    processCard->add_option("--data", args.dataHex, "Application data")->required()->check(cli::HexBytes());

    CLI::App* terminate = app.add_subcommand("terminate", "End the job (TerminateJob)");
    terminate->add_option("--app", args.application, "Application name")->required();

    CLI::App* registerDevice =
        app.add_subcommand("register-device", "Register this computer (RegisterDevice)");
    registerDevice->add_option("NAME", args.name, "Device name")->required();
    registerDevice->add_flag("--overwrite", args.overwrite, "Overwrite an earlier registration");

    CLI::App* registerByName = app.add_subcommand(
        "register-device-by-name", "Register in place of an earlier name (RegisterDeviceByName)");
    registerByName->add_option("NAME", args.name, "Device name")->required();
    registerByName->add_option("PREVIOUS", args.previous, "Previous device name")->required();

    CLI::App* requestName =
        app.add_subcommand("request-device-name", "Ask for this computer's name (RequestDeviceName)");

    CLI::App* setName =
        app.add_subcommand("set-device-name", "Tell the host which name to use (SetDeviceName)");
    setName->add_option("NAME", args.name, "Device name")->required();

    CLI::App* job = app.add_subcommand("job", "Initialize, N cards, TerminateJob, with a summary");
    job->add_option("--app", args.application, "Application name")->required();
    job->add_option("--cards", args.cards, "Number of cards")
        ->required()
        ->check(cli::WholeNumber())
        ->check(CLI::Range(1, 1000000));
    job->add_option("--data", args.dataHex, "Application data of every card")
        ->required()
        ->check(cli::HexBytes());
    job->add_option("--fir", args.firHex, "FIR data")->check(cli::HexBytes());

    // The driver object is made once the whole line has parsed, for the command it chose.
    const auto call = [&args, operatorOption](const std::function<int(CHostSession&)>& work) {
        std::optional<std::vector<OperatorItem>> operatorItems;
        if (operatorOption->count() > 0) {
            std::string error;
            operatorItems = ParseOperatorScript(args.operatorScript, error);
        }
        CHostSession session(std::move(operatorItems));
        if (!session.IsReady()) {
            std::cerr << "quorlin-host: the driver object could not be made\n";
            return kNoDriver;
        }
        return work(session);
    };
    using Work = std::function<int(CHostSession&)>;
    cli::Action chosen;
    const auto choose = [&chosen, &call](CLI::App& command, Work work) {
        cli::OnChosen(command, chosen, [&call, work = std::move(work)] { return call(work); });
    };
    // One method call, printed.
    const auto reported = [&args](std::function<CallReport(CHostSession&)> method) -> Work {
        return [&args, method = std::move(method)](CHostSession& session) {
            return Report(method(session), args.json);
        };
    };
    choose(*initialize, reported([&args](CHostSession& session) {
        return session.Initialize(args.application, Hex(args.firHex));
    }));
    choose(*processCard, reported([&args](CHostSession& session) {
        return session.ProcessCard(args.application, Hex(args.dataHex));
    }));
    choose(*terminate,
           reported([&args](CHostSession& session) { return session.TerminateJob(args.application); }));
    choose(*registerDevice, reported([&args](CHostSession& session) {
        return session.RegisterDevice(args.name, args.overwrite);
    }));
    choose(*registerByName, reported([&args](CHostSession& session) {
        return session.RegisterDeviceByName(args.name, args.previous);
    }));
    choose(*requestName, reported([](CHostSession& session) { return session.RequestDeviceName(); }));
    choose(*setName, reported([&args](CHostSession& session) { return session.SetDeviceName(args.name); }));
    choose(*job, [&args](CHostSession& session) {
        const JobOptions options{args.application, Hex(args.dataHex), Hex(args.firHex), args.cards,
                                 args.json};
        return RunJob(session, options, std::cout, std::cerr);
    });
    return cli::Run(app, cli::Arguments(argc, argv), {std::cin, std::cout, std::cerr}, chosen);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "quorlin-host: " << error.what() << "\n";
        return kCallFailed;
    }
}
