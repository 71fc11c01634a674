#include "tools/objcomm/DecodeCommand.h"

#include "common/TextEncoding.h"
#include "tools/objcomm/PacketView.h"

namespace tessaly::tools {
namespace {

struct DecodeOptions {
    bool ack = false;
    bool extended = false;
    bool json = false;
    std::string hex;
};

const char* const kDecodeUsage = "usage: objcomm decode [--ack] [--extended] [--json] HEX...\n";

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

}  // namespace

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

    const PacketView view = DecodePacket(
        packet, options.ack ? PacketDirection::FromStation : PacketDirection::ToStation, options.extended);
    if (view.status == PacketView::Status::OutOfMemory) {
        err << "objcomm decode: out of memory\n";
        return 1;
    }
    if (options.json) {
        out << PacketJson(view).Text() << "\n";
    } else {
        PrintPacketText(view, out);
    }
    return view.status == PacketView::Status::Parsed ? 0 : 1;
}

}  // namespace tessaly::tools
