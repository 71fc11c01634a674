#include "tools/objcomm/DecodeCommand.h"

#include <memory>
#include <sstream>

#include "common/TextEncoding.h"
#include "tools/objcomm/PacketView.h"

namespace tessaly::tools {
namespace {

struct DecodeOptions {
    bool ack = false;
    bool extended = false;
    bool json = false;
    std::vector<std::string> hex;
};

int Decode(const DecodeOptions& options, const cli::Streams& io) {
    std::string text;
    for (const std::string& part : options.hex) {
        text += part + " ";
    }
    CByteArray packet;
    if (!ParseHex(text, packet) || packet.empty()) {
        io.err << "objcomm decode: no packet given\n";
        return cli::kExitUsage;
    }
    const PacketView view = DecodePacket(
        packet, options.ack ? PacketDirection::FromStation : PacketDirection::ToStation, options.extended);
    if (view.status == PacketView::Status::OutOfMemory) {
        io.err << "objcomm decode: out of memory\n";
        return 1;
    }
    if (options.json) {
        io.out << cli::JsonText(PacketJson(view)) << "\n";
    } else {
        PrintPacketText(view, io.out);
    }
    return view.status == PacketView::Status::Parsed ? 0 : 1;
}

}  // namespace

void AddDecodeCommand(CLI::App& app, cli::Action& chosen, const cli::Streams& io) {
    auto options = std::make_shared<DecodeOptions>();
    CLI::App* decode = app.add_subcommand("decode", "Decode one packet (--ack: one a station sends)");
    decode->add_flag("--ack", options->ack, "Read the packet as a station sends it");
    decode->add_flag("--extended", options->extended, "Read the extended protocol (stations answer in it)");
    decode->add_flag("--json", options->json, "Print one JSON object");
    decode->add_option("HEX", options->hex, "The packet, over one or more arguments")
        ->type_name("HEX")
        ->required()
        ->check(cli::HexBytes());
    decode->footer("Exit status: 0 parsed, 1 rejected, 2 no packet or bad usage.");
    cli::OnChosen(*decode, chosen, [options, &io] { return Decode(*options, io); });
}

int RunDecode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("Decodes one packet.", "objcomm");
    cli::Prepare(app);
    cli::Action chosen;
    std::istringstream none;
    const cli::Streams io{none, out, err};
    AddDecodeCommand(app, chosen, io);
    std::vector<std::string> line = {"decode"};
    line.insert(line.end(), args.begin(), args.end());
    return cli::Run(app, line, io, chosen);
}

}  // namespace tessaly::tools
