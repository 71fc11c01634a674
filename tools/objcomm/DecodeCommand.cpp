#include "tools/objcomm/DecodeCommand.h"

#include <algorithm>
#include <memory>

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/MessageDecoder.h"
#include "tools/objcomm/Json.h"

namespace tessaly::tools {
namespace {

struct DecodeOptions {
    bool ack = false;
    bool extended = false;
    bool json = false;
    std::string hex;
};

const char* const kDecodeUsage = "usage: objcomm decode [--ack] [--extended] [--json] HEX...\n";

// What both directions print about a parsed packet.
struct Decoded {
    const char* className;
    std::uint32_t command;
    int subCommand;
    std::uint32_t transaction;
    bool longForm;
    const CStringArray& description;
    std::string body;
};

bool ParseOptions(const std::vector<std::string>& args, DecodeOptions& options, std::ostream& err) {
    for (const std::string& arg : args) {
        if (arg == "--ack") {
            options.ack = true;
        } else if (arg == "--extended") {
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

void PrintParsed(const Decoded& decoded, const DecodeOptions& options, std::ostream& out) {
    if (options.json) {
        JsonObject json;
        json.Add("class", decoded.className)
            .Add("command", static_cast<std::int64_t>(decoded.command))
            .Add("subcommand", static_cast<std::int64_t>(decoded.subCommand))
            .Add("transaction", static_cast<std::int64_t>(decoded.transaction))
            .Add("long_form", decoded.longForm)
            .Add("description", decoded.description)
            .Add("body", decoded.body);
        out << json.Text() << "\n";
        return;
    }
    out << "Class        " << decoded.className << "\n";
    out << "Command      " << FormatText("0x%02X", decoded.command) << "\n";
    if (decoded.subCommand >= 0) {
        out << "Sub-command  " << FormatText("0x%02X", static_cast<unsigned>(decoded.subCommand)) << "\n";
    }
    out << "Transaction  " << FormatText("%u (0x%04X)", decoded.transaction, decoded.transaction) << "\n";
    out << "Form         " << (decoded.longForm ? "long" : "short") << "\n";
    out << "Body         " << (decoded.body.empty() ? std::string("(empty)") : decoded.body) << "\n\n";
    PrintDescription(decoded.description, out);
}

void PrintRejected(const CPassThruFormatError& error, const DecodeOptions& options, std::ostream& out) {
    if (options.json) {
        JsonObject json;
        json.Add("error", error.Name()).Add("finish_reason", static_cast<std::int64_t>(error.FinishReason()));
        out << json.Text() << "\n";
    } else {
        out << "Rejected     " << error.Name() << "\n";
        out << "Finish       " << FormatText("0x%02X", error.FinishReason()) << "\n";
    }
}

// A packet as a station receives it: an incoming command.
int DecodeReceived(CInBinaryString& in, const DecodeOptions& options, std::ostream& out, std::ostream& err) {
    std::uint32_t transaction = 0;
    std::unique_ptr<CObjCommResponse> response;
    try {
        response = CObjCommResponse::CreateFromPacket(in, transaction, options.extended);
    } catch (const CPassThruFormatError& error) {
        PrintRejected(error, options, out);
        return 1;
    }
    if (!response) {
        err << "objcomm decode: out of memory\n";
        return 1;
    }
    PrintParsed({response->ClassName(), response->GetCommand(), response->GetSubCommand(), transaction,
                 response->UsesLongForm(), response->Describe(), HexString(response->GetBody())},
                options, out);
    return 0;
}

// A packet as a station sends it: an outgoing message, read back by its own class.
int DecodeSent(CInBinaryString& in, const DecodeOptions& options, std::ostream& out, std::ostream& err) {
    std::uint32_t transaction = 0;
    std::unique_ptr<CObjCommMessage> message;
    try {
        message = CreateMessageFromPacket(in, transaction, options.extended);
    } catch (const CPassThruFormatError& error) {
        PrintRejected(error, options, out);
        return 1;
    }
    if (!message) {
        err << "objcomm decode: out of memory\n";
        return 1;
    }
    PrintParsed({message->ClassName(), message->GetCommand(), message->GetSubCommand(), transaction,
                 message->UsesLongForm(), message->Describe(), HexString(message->Body())},
                options, out);
    return 0;
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
    return options.ack ? DecodeSent(in, options, out, err) : DecodeReceived(in, options, out, err);
}

}  // namespace tessaly::tools
