#include "tools/objcomm/zolt/ZoltCommand.h"

#include <fstream>
#include <iterator>
#include <optional>

#include "platform/Socket.h"
#include "tools/objcomm/script/ScriptParser.h"
#include "tools/objcomm/script/ScriptRunner.h"
#include "tools/objcomm/script/ScriptTokens.h"
#include "tools/objcomm/zolt/ZoltReport.h"

namespace tessaly::tools {
namespace {

const char* const kZoltUsage =
    "usage: objcomm zolt [--json] [--keep-going] HOST PORT SCRIPT\n"
    "  HOST dotted-decimal IPv4 address; SCRIPT a file, or - for standard input\n";

bool ReadScript(const std::string& name, std::istream& in, std::string& text) {
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

}  // namespace

int RunZolt(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    ZoltOptions options;
    std::vector<std::string> positional;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--keep-going") {
            options.keepGoing = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            err << "objcomm zolt: unknown option " << arg << "\n" << kZoltUsage;
            return 2;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 3) {
        err << kZoltUsage;
        return 2;
    }
    const std::string& host = positional[0];
    if (!platform::ParseIpv4(host)) {
        err << "objcomm zolt: " << host << " is not a dotted-decimal IPv4 address\n";
        return 2;
    }
    const std::optional<std::uint64_t> port = ParseNumber(positional[1], 0xFFFF);
    if (!port || *port == 0) {
        err << "objcomm zolt: " << positional[1] << " is not a port from 1 to 65535\n";
        return 2;
    }
    std::string text;
    if (!ReadScript(positional[2], in, text)) {
        err << "objcomm zolt: cannot read the script " << positional[2] << "\n";
        return 2;
    }
    return RunZoltScript(host, static_cast<std::uint16_t>(*port), text, positional[2], options, out, err);
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
