#include "protocol/ObjCommMessage.h"

#include "protocol/PacketFrame.h"

namespace tessaly {

CByteArray CObjCommMessage::Body() const {
    COutBinaryString out;
    GetBody(out);
    return out.TakeBytes();
}

bool CObjCommMessage::BuildPacket(COutBinaryString& out, std::uint16_t transactionNumber,
                                  const CString& address, bool wideLength) const {
    const auto command = static_cast<std::uint8_t>(GetCommand());
    COutBinaryString payload;
    if (GetCommand() == kCommandPassThrough) {
        AppendPassThroughHeader(payload, static_cast<std::uint8_t>(GetSubCommand()), transactionNumber);
    }
    GetBody(payload);
    const std::uint8_t frameType = wideLength ? kFrameWide : UsesLongForm() ? kFrameLong : command;
    return WritePacketFrame(out, frameType, address, command, payload.Bytes());
}

}  // namespace tessaly
