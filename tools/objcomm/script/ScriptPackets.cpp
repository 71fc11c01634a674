#include "tools/objcomm/script/ScriptPackets.h"

#include <memory>

#include "protocol/ObjCommResponse.h"
#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"

namespace tessaly::tools {

bool BuildFramedPacket(const FramedCommand& command, CByteArray& out, std::string& error) {
    if (command.form == FrameForm::Short && !IsShortFrameType(command.command)) {
        error = "only commands 01, 03, 99 and FF have a short form";
        return false;
    }
    COutBinaryString payload;
    if (command.command == kCommandPassThrough) {
        AppendPassThroughHeader(payload, static_cast<std::uint8_t>(command.subCommand), command.transaction);
    }
    payload.AppendBytes(command.body);
    const std::uint8_t frameType = command.form == FrameForm::Wide   ? kFrameWide
                                   : command.form == FrameForm::Long ? kFrameLong
                                                                     : command.command;
    COutBinaryString packet;
    if (!WritePacketFrame(packet, frameType, command.address, command.command, payload.Bytes())) {
        error = "the address or the payload is too long for its length field";
        return false;
    }
    out = packet.TakeBytes();
    return true;
}

bool BuildPacketBytes(const ScriptPacket& scripted, CByteArray& out, std::string& error) {
    if (scripted.raw) {
        out = scripted.bytes;
        return true;
    }
    return BuildFramedPacket(scripted.framed, out, error);
}

bool BuildWrites(const Step& step, std::vector<CByteArray>& writes, std::string& error) {
    writes.clear();
    if (!step.pieces.empty()) {
        writes = step.pieces;
        return true;
    }
    CByteArray together;
    for (const ScriptPacket& scripted : step.packets) {
        CByteArray packet;
        if (!BuildPacketBytes(scripted, packet, error)) {
            return false;
        }
        together.insert(together.end(), packet.begin(), packet.end());
    }
    writes.push_back(std::move(together));
    return true;
}

CutBytes CutPackets(const CByteArray& bytes) {
    CutBytes cut;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const PacketExtent extent = MeasurePacket(bytes.data() + at, bytes.size() - at);
        if (extent.kind != PacketExtent::Kind::Complete) {
            break;
        }
        const auto length = static_cast<std::size_t>(extent.length);
        cut.packets.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                 bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    cut.rest.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
    return cut;
}

std::vector<std::optional<std::uint16_t>> PacketTransactions(const Step& step) {
    std::vector<CByteArray> writes;
    std::string error;
    std::vector<std::optional<std::uint16_t>> numbers;
    if (!BuildWrites(step, writes, error)) {
        return numbers;
    }
    CByteArray all;
    for (const CByteArray& write : writes) {
        all.insert(all.end(), write.begin(), write.end());
    }
    for (const CByteArray& packet : CutPackets(all).packets) {
        CInBinaryString in(packet);
        std::uint32_t transaction = 0;
        std::optional<std::uint16_t> number;
        try {
            const std::unique_ptr<CObjCommResponse> command =
                CObjCommResponse::CreateFromPacket(in, transaction, step.extended);
            if (command && command->GetCommand() == kCommandPassThrough) {
                number = static_cast<std::uint16_t>(transaction);
            }
        } catch (const CPassThruFormatError&) {
            // A packet the station rejects is answered with the number of the last one it parsed.
        }
        numbers.push_back(number);
    }
    return numbers;
}

}  // namespace tessaly::tools
