#include "tools/objcomm/zolt/ZoltCommand.h"

#include <fstream>
#include <iterator>
#include <memory>

#include "platform/Socket.h"
#include "tools/objcomm/script/ScriptParser.h"
#include "tools/objcomm/script/ScriptRunner.h"
#include "tools/objcomm/zolt/ZoltReport.h"

namespace tessaly::tools {
namespace {

struct ZoltArguments {
    ZoltOptions options;
    std::string host;
    std::uint16_t port = 0;
    std::string script;
};

int Zolt(const ZoltArguments& args, const cli::Streams& io) {
    std::string text;
    if (!ReadScriptText(args.script, io.in, text)) {
        io.err << "objcomm zolt: cannot read the script " << args.script << "\n";
        return cli::kExitUsage;
    }
    return RunZoltScript(args.host, args.port, text, args.script, args.options, io.out, io.err);
}

}  // namespace

bool ReadScriptText(const std::string& name, std::istream& in, std::string& text) {
    if (name == "-") {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !in.bad();
    }
    std::ifstream file(name, std::ios::binary);
    if (!file) {
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

void AddZoltCommand(CLI::App& app, cli::Action& chosen, const cli::Streams& io) {
    auto args = std::make_shared<ZoltArguments>();
    CLI::App* zolt = app.add_subcommand("zolt", "Play an exchange script against a key station");
    zolt->add_flag("--json", args->options.json, "Print one JSON object per step instead of text");
    zolt->add_flag("--keep-going", args->options.keepGoing, "Go on after a failed step");
    zolt->add_option("HOST", args->host, "The station's dotted-decimal IPv4 address")
        ->type_name("A.B.C.D")
        ->required()
        ->check(cli::Ipv4Address());
    zolt->add_option("PORT", args->port, "The station's TCP port")->required()->check(cli::PortNumber());
    zolt->add_option("SCRIPT", args->script, "The script file, or - for standard input")
        ->type_name("FILE")
        ->required();
    zolt->footer(
        "Exit status: 0 every expectation held, 1 a mismatch, a closed or refused connection or a\n"
        "failed send, 2 a bad script (nothing is sent) or bad usage.");
    cli::OnChosen(*zolt, chosen, [args, &io] { return Zolt(*args, io); });
}

int RunZoltScript(const std::string& host, std::uint16_t port, const std::string& scriptText,
                  const std::string& scriptName, const ZoltOptions& options, std::ostream& out,
                  std::ostream& err) {
    const Script script = ParseScript(scriptText);
    if (!script.Ok()) {
        for (const ScriptError& error : script.errors) {
            err << scriptName << ":" << error.line << ": " << error.message << "\n";
        }
        return 2;
    }
    const std::string target = host + ":" + std::to_string(port);
    const auto connect = [&host, port](platform::CSocket& socket, std::string& error) {
        socket = platform::CSocket::CreateTcp();
        if (!socket.IsOpen() || !socket.BindAny(0) || !socket.Connect(host, port)) {
            error = "connection refused or unreachable";
            socket.Close();
            return false;
        }
        // One small packet at a time, each answered before the next: nothing to gain from delaying.
        (void)socket.SetNoDelay(true);
        return true;
    };
    bool ok = false;
    if (options.json) {
        CJsonReport report(target, out);
        ok = CScriptRunner(connect, report).Run(script, options.keepGoing);
    } else {
        CTextReport report(target, out);
        ok = CScriptRunner(connect, report).Run(script, options.keepGoing);
        report.Summary();
    }
    out.flush();
    return ok ? 0 : 1;
}

}  // namespace tessaly::tools
