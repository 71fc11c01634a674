#include "tools/objcomm/PacketView.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "protocol/BinaryString.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/MessageDecoder.h"

namespace tessaly::tools {
namespace {

// The entries the protocol classes write without a value after them.
constexpr std::string_view kSingleEntries[] = {
    "Card was reset",
    "Card was not reset",
    "Turn Power On",
    "Turn Power Off",
    "Get Value",
    "DELAY LOOP",
    "Protocol T=0",
    "Protocol T=1",
    "Keep Current Protocol",
    "Unknown Protocol Selection",
};

template <class Object>
void Fill(PacketView& view, Object& object, std::uint32_t transaction, std::string body) {
    view.className = object.ClassName();
    view.command = object.GetCommand();
    view.subCommand = object.GetSubCommand();
    view.transaction = transaction;
    view.longForm = object.UsesLongForm();
    view.description = object.Describe();
    view.body = std::move(body);
}

}  // namespace

PacketView DecodePacket(const CByteArray& packet, PacketDirection direction, bool extended) {
    PacketView view;
    CInBinaryString in(packet);
    std::uint32_t transaction = 0;
    try {
        if (direction == PacketDirection::ToStation) {
            std::unique_ptr<CObjCommResponse> response =
                CObjCommResponse::CreateFromPacket(in, transaction, extended);
            if (!response) {
                view.status = PacketView::Status::OutOfMemory;
                return view;
            }
            Fill(view, *response, transaction, HexString(response->GetBody()));
        } else {
            std::unique_ptr<CObjCommMessage> message = CreateMessageFromPacket(in, transaction, extended);
            if (!message) {
                view.status = PacketView::Status::OutOfMemory;
                return view;
            }
            Fill(view, *message, transaction, HexString(message->Body()));
        }
    } catch (const CPassThruFormatError& error) {
        view.status = PacketView::Status::Rejected;
        view.error = error.Name();
        view.finishReason = error.FinishReason();
    }
    return view;
}

void PrintPacketText(const PacketView& view, std::ostream& out, const std::string& indent) {
    switch (view.status) {
        case PacketView::Status::OutOfMemory:
            out << indent << "Rejected     (out of memory)\n";
            return;
        case PacketView::Status::Rejected:
            out << indent << "Rejected     " << view.error << "\n";
            out << indent << "Finish       " << FormatText("0x%02X", view.finishReason) << "\n";
            return;
        case PacketView::Status::Parsed:
            break;
    }
    out << indent << "Class        " << view.className << "\n";
    out << indent << "Command      " << FormatText("0x%02X", view.command) << "\n";
    if (view.subCommand >= 0) {
        out << indent << "Sub-command  " << FormatText("0x%02X", static_cast<unsigned>(view.subCommand))
            << "\n";
    }
    out << indent << "Transaction  " << FormatText("%u (0x%04X)", view.transaction, view.transaction) << "\n";
    out << indent << "Form         " << (view.longForm ? "long" : "short") << "\n";
    out << indent << "Body         " << (view.body.empty() ? std::string("(empty)") : view.body) << "\n\n";
    PrintDescription(view.description, out, indent);
}

cli::Json PacketJson(const PacketView& view) {
    cli::Json json = cli::Json::object();
    switch (view.status) {
        case PacketView::Status::OutOfMemory:
            json["error"] = "out of memory";
            break;
        case PacketView::Status::Rejected:
            json["error"] = cli::Latin1String(view.error);
            json["finish_reason"] = view.finishReason;
            break;
        case PacketView::Status::Parsed:
            json["class"] = cli::Latin1String(view.className);
            json["command"] = view.command;
            json["subcommand"] = view.subCommand;
            json["transaction"] = view.transaction;
            json["long_form"] = view.longForm;
            json["description"] = cli::Latin1Strings(view.description);
            json["body"] = view.body;
            break;
    }
    return json;
}

std::vector<DescriptionLine> DescriptionLines(const CStringArray& description) {
    std::vector<DescriptionLine> lines;
    for (std::size_t i = 0; i < description.size(); ++i) {
        DescriptionLine line;
        line.label = description[i];
        // The opening pair is a pair whatever its value reads.
        line.single = i != 0 && std::find(std::begin(kSingleEntries), std::end(kSingleEntries), line.label) !=
                                    std::end(kSingleEntries);
        if (!line.single && i + 1 < description.size()) {
            line.value = description[++i];
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void PrintDescription(const CStringArray& description, std::ostream& out, const std::string& indent) {
    const std::vector<DescriptionLine> lines = DescriptionLines(description);
    std::size_t width = 0;
    for (const DescriptionLine& line : lines) {
        width = line.single ? width : std::max(width, line.label.size());
    }
    for (const DescriptionLine& line : lines) {
        out << indent << "  " << line.label;
        if (!line.single) {
            out << std::string(width - line.label.size() + 2, ' ') << line.value;
        }
        out << "\n";
    }
}

}  // namespace tessaly::tools
