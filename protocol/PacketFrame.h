// The frame around every packet, described once: measuring a packet in a stream, reading it and
// writing it all go by the constants and functions here.
//
//   long form  00: 00, address length (1), address, command (1), payload length (2), payload, checksum (1)
//   wide form  02: 02, address length (1), address, command (1), payload length (4), payload, checksum (1)
//   short form:    command (01, 03, 99 or FF) as the frame type, payload length (2), payload, checksum (1)
//
// The checksum is the low byte of the sum of every byte before it. A pass-through payload (command
// 0A) starts with the sub-command (1) and the transaction number (2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/Types.h"
#include "protocol/BinaryString.h"

namespace tessaly {

inline constexpr std::uint8_t kFrameLong = 0x00;
inline constexpr std::uint8_t kFrameWide = 0x02;
inline constexpr std::uint8_t kCommandPassThrough = 0x0A;

inline constexpr std::size_t kFrameTypeSize = 1;
inline constexpr std::size_t kAddressLengthSize = 1;
inline constexpr std::size_t kCommandSize = 1;
inline constexpr std::size_t kShortLengthSize = 2;  // long and short forms
inline constexpr std::size_t kWideLengthSize = 4;   // wide form
inline constexpr std::size_t kChecksumSize = 1;
inline constexpr std::size_t kPassThroughHeaderSize = 3;  // sub-command, transaction number
inline constexpr std::size_t kMaxAddressLength = 0xFF;
inline constexpr std::uint64_t kMaxShortPayload = 0xFFFF;
inline constexpr std::uint64_t kMaxWidePayload = 0xFFFFFFFF;

// Size limits of the receivers.
// A key station takes a request of at most this many bytes, frame included.
inline constexpr std::uint64_t kMaxStationPacket = 8192;
// The client connection takes a payload of at most this many bytes; a larger one is skipped.
inline constexpr std::uint64_t kMaxClientPayload = std::uint64_t{16} * 1024 * 1024;
// The host-side tools take a packet of at most this many bytes: the client's payload limit and
// room for a short address.
inline constexpr std::uint64_t kMaxToolPacket = kMaxClientPayload + 16;

constexpr bool IsLongFrameType(std::uint8_t type) {
    return type == kFrameLong || type == kFrameWide;
}
// True for the frame types that have a short form (the first byte is the command code).
constexpr bool IsShortFrameType(std::uint8_t type) {
    return type == 0x01 || type == 0x03 || type == 0x99 || type == 0xFF;
}
// The payload length field of a frame type. Frame types of no known layout are read in the short
// layout, so that the codec can judge them after their checksum.
constexpr LengthPrefix PayloadLengthPrefix(std::uint8_t type) {
    return type == kFrameWide ? LengthPrefix::FourBytes : LengthPrefix::TwoBytes;
}
constexpr std::size_t PayloadLengthSize(std::uint8_t type) {
    return type == kFrameWide ? kWideLengthSize : kShortLengthSize;
}

// How much of a packet the bytes at the start of a buffer hold.
struct PacketExtent {
    enum class Kind {
        Incomplete,   // more bytes are needed
        Complete,     // `length` is the size of the whole packet (checksum included)
        Unframeable,  // the first byte is no frame type with a layout: nothing says where it ends
    };
    Kind kind = Kind::Incomplete;
    // Complete, or Incomplete once the length field has arrived: the size of the whole packet.
    // Incomplete before that: the least total that tells more.
    std::uint64_t length = 0;
    std::optional<std::uint64_t> payload;  // the announced payload length, once its field has arrived
};

// Long forms 00 and 02 and the short forms 01, 03, 99, FF. Checks nothing but the layout; the
// codec judges the packet afterwards.
PacketExtent MeasurePacket(const std::uint8_t* data, std::size_t size);

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

// Writes one whole packet into `out` (replacing what it held). For frame types 00 and 02 the
// address and the command follow the frame type; any other frame type is written in the short
// layout, where it is itself the command code, so `command` must equal it and the address is not
// written. False, with `out` empty, when the command does not match a short frame type or the
// address or payload does not fit its length field.
bool WritePacketFrame(COutBinaryString& out, std::uint8_t frameType, const CString& address,
                      std::uint8_t command, const CByteArray& payload);

// Starts a pass-through payload: sub-command and transaction number.
void AppendPassThroughHeader(COutBinaryString& payload, std::uint8_t subCommand, std::uint16_t transaction);

}  // namespace tessaly
