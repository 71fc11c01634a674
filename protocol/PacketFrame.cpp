#include "protocol/PacketFrame.h"

#include "protocol/PassThruErrors.h"

namespace tessaly {

PacketFrame ReadPacketFrame(CInBinaryString& packet) {
    packet.SetPosition(0);
    PacketFrame frame;
    bool checksumOk = false;
    try {
        frame.frameType = packet.ReadByte();
        frame.longForm = frame.frameType == kFrameLong || frame.frameType == kFrameWide;
        if (frame.longForm) {
            (void)packet.ReadString(LengthPrefix::OneByte);  // the address routes nothing here
            frame.command = packet.ReadByte();
        } else {
            frame.command = frame.frameType;
        }
        packet.ReadBytes(frame.payload.Bytes(),
                         frame.frameType == kFrameWide ? LengthPrefix::FourBytes : LengthPrefix::TwoBytes);
        checksumOk = packet.VerifyChecksum();
    } catch (const CInBinaryStringException&) {
        throw CPassThruParseError();
    }
    if (!frame.longForm && !IsShortFrameType(frame.frameType)) {
        throw CPassThruParseError();
    }
    if (!checksumOk) {
        throw CPassThruChecksumError();
    }
    return frame;
}

}  // namespace tessaly
