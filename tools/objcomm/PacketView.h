// One packet as the tools show it: decoded in the direction it travels (a command a station receives,
// or a message a station sends), or the codec's reason for rejecting it.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "common/Types.h"
#include "common/cli/JsonText.h"

namespace tessaly::tools {

enum class PacketDirection {
    ToStation,    // read by the incoming-command factory
    FromStation,  // read by the host-side message decoder
};

struct PacketView {
    enum class Status { Parsed, Rejected, OutOfMemory };
    Status status = Status::Parsed;
    // Parsed:
    std::string className;
    std::uint32_t command = 0;
    int subCommand = -1;
    std::uint32_t transaction = 0;
    bool longForm = true;
    CStringArray description;
    std::string body;  // the re-encoded body in upper-case hex
    // Rejected:
    std::string error;  // the exception class
    std::uint8_t finishReason = 0;
};

PacketView DecodePacket(const CByteArray& packet, PacketDirection direction, bool extended);

// The lines `objcomm decode` prints: the header block, a blank line and the description; or the
// rejection. Every line starts with `indent`.
void PrintPacketText(const PacketView& view, std::ostream& out, const std::string& indent = "");
// The fields of `objcomm decode --json`.
cli::Json PacketJson(const PacketView& view);

// One line of a description: a label and its value, or an entry that stands alone.
struct DescriptionLine {
    std::string label;
    std::string value;
    bool single = false;  // no value belongs to it
};

// The lines of a description list: after the opening pair, entries are label/value pairs except the
// few texts that the protocol classes write alone ("Card was reset", "Turn Power On" ...).
std::vector<DescriptionLine> DescriptionLines(const CStringArray& description);

// Label/value lines with the labels padded to one column, two blanks (after `indent`) in front.
void PrintDescription(const CStringArray& description, std::ostream& out, const std::string& indent = "");

}  // namespace tessaly::tools
