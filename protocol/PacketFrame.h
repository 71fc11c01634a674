// The frame around every packet: frame type, optional address, command code, length-prefixed
// payload and additive checksum. Both directions unwrap it the same way.
#pragma once

#include <cstdint>

#include "protocol/BinaryString.h"

namespace tessaly {

inline constexpr std::uint8_t kFrameLong = 0x00;
inline constexpr std::uint8_t kFrameWide = 0x02;
inline constexpr std::uint8_t kCommandPassThrough = 0x0A;

struct PacketFrame {
    std::uint8_t frameType = 0;
    std::uint8_t command = 0;
    bool longForm = false;  // frame type 0x00 or 0x02
    CInBinaryString payload;
};

// Reads one whole packet from position 0 and checks it: a packet too short for its fields or a frame
// type other than 00, 01, 02, 03, 99, FF throws CPassThruParseError, a wrong checksum
// CPassThruChecksumError. The checksum is computed before the frame type is judged, so a foreign
// frame type with a bad checksum is a parse error. Bytes after the checksum are ignored.
PacketFrame ReadPacketFrame(CInBinaryString& packet);

// True for the frame types that have a short form (the first byte is the command code).
constexpr bool IsShortFrameType(std::uint8_t type) {
    return type == 0x01 || type == 0x03 || type == 0x99 || type == 0xFF;
}

}  // namespace tessaly
