// The bytes a script step writes, and the packets in a run of bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/Types.h"
#include "tools/objcomm/script/Script.h"

namespace tessaly::tools {

// A framed command as one packet (WritePacketFrame, the writer every sender here uses). False when the
// address or body does not fit its length field, or a short form is asked of a command that has none.
bool BuildFramedPacket(const FramedCommand& command, CByteArray& out, std::string& error);
bool BuildPacketBytes(const ScriptPacket& scripted, CByteArray& out, std::string& error);

// One entry per write: each raw piece, or all packets of the step together.
bool BuildWrites(const Step& step, std::vector<CByteArray>& writes, std::string& error);

struct CutBytes {
    std::vector<CByteArray> packets;
    CByteArray rest;  // bytes that end no packet (incomplete, or of no frame layout)
};
// Whole packets from the start of `bytes`, by the frame layout.
CutBytes CutPackets(const CByteArray& bytes);

// The transaction number of each packet of a step, as a station parsing it with the step's extended
// flag would see it: none for a packet that is not a pass-through command or does not parse.
std::vector<std::optional<std::uint16_t>> PacketTransactions(const Step& step);

}  // namespace tessaly::tools
