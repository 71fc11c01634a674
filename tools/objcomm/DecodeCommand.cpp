#include "tools/objcomm/DecodeCommand.h"

#include <algorithm>
#include <memory>

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/PassThruErrors.h"
#include "tools/objcomm/Json.h"

namespace tessaly::tools {
namespace {

struct DecodeOptions {
    bool extended = false;
    bool json = false;
    std::string hex;
};

const char* const kDecodeUsage = "usage: objcomm decode [--extended] [--json] HEX...\n";

bool ParseOptions(const std::vector<std::string>& args, DecodeOptions& options, std::ostream& err) {
    for (const std::string& arg : args) {
        if (arg == "--extended") {
            options.extended = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            err << "objcomm decode: unknown option " << arg << "\n" << kDecodeUsage;
            return false;
        } else {
            options.hex += arg;
            options.hex += ' ';
        }
    }
    return true;
}

void PrintParsed(CObjCommResponse& response, std::uint32_t transaction, const DecodeOptions& options,
                 std::ostream& out) {
    const CStringArray& description = response.Describe();
    const std::string body = HexString(response.GetBody());
    if (options.json) {
        JsonObject json;
        json.Add("class", response.ClassName())
            .Add("command", static_cast<std::int64_t>(response.GetCommand()))
            .Add("subcommand", static_cast<std::int64_t>(response.GetSubCommand()))
            .Add("transaction", static_cast<std::int64_t>(transaction))
            .Add("long_form", response.UsesLongForm())
            .Add("description", description)
            .Add("body", body);
        out << json.Text() << "\n";
        return;
    }
    out << "Class        " << response.ClassName() << "\n";
    out << "Command      " << FormatText("0x%02X", response.GetCommand()) << "\n";
    if (response.GetSubCommand() >= 0) {
        out << "Sub-command  " << FormatText("0x%02X", static_cast<unsigned>(response.GetSubCommand())) << "\n";
    }
    out << "Transaction  " << FormatText("%u (0x%04X)", transaction, transaction) << "\n";
    out << "Form         " << (response.UsesLongForm() ? "long" : "short") << "\n";
    out << "Body         " << (body.empty() ? std::string("(empty)") : body) << "\n\n";
    PrintDescription(description, out);
}

}  // namespace

void PrintDescription(const std::vector<std::string>& description, std::ostream& out) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < description.size(); i += 2) {
        width = std::max(width, description[i].size());
    }
    for (std::size_t i = 0; i < description.size(); i += 2) {
        out << "  " << description[i];
        if (i + 1 < description.size()) {
            out << std::string(width - description[i].size() + 2, ' ') << description[i + 1];
        }
        out << "\n";
    }
}

int RunDecode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    DecodeOptions options;
    if (!ParseOptions(args, options, err)) {
        return 2;
    }
    CByteArray packet;
    if (!ParseHex(options.hex, packet)) {
        err << "objcomm decode: the packet is not hexadecimal (pairs of digits, blanks allowed)\n";
        return 2;
    }
    if (packet.empty()) {
        err << "objcomm decode: no packet given\n" << kDecodeUsage;
        return 2;
    }

    CInBinaryString in(std::move(packet));
    std::uint32_t transaction = 0;
    std::unique_ptr<CObjCommResponse> response;
    try {
        response = CObjCommResponse::CreateFromPacket(in, transaction, options.extended);
    } catch (const CPassThruFormatError& error) {
        if (options.json) {
            JsonObject json;
            json.Add("error", error.Name()).Add("finish_reason", static_cast<std::int64_t>(error.FinishReason()));
            out << json.Text() << "\n";
        } else {
            out << "Rejected     " << error.Name() << "\n";
            out << "Finish       " << FormatText("0x%02X", error.FinishReason()) << "\n";
        }
        return 1;
    }
    if (!response) {
        err << "objcomm decode: out of memory\n";
        return 1;
    }
    PrintParsed(*response, transaction, options, out);
    return 0;
}

}  // namespace tessaly::tools
