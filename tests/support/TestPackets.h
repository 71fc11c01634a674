// Packets and byte strings for tests, written the way the wire is read: hex text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Types.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/PacketFrame.h"

namespace tessaly::test {

// "00 A4 04 00" -> bytes. Fails the current test on text that is not hex.
CByteArray Hex(const std::string& text);
// Upper-case pairs separated by blanks, for readable failure messages.
std::string ToHex(const CByteArray& bytes);
// The parts one after another; the bytes [from, to) of `bytes`.
CByteArray Joined(const std::vector<CByteArray>& parts);
CByteArray Slice(const CByteArray& bytes, std::size_t from, std::size_t to);

// A packet framed by the library's writer; fails the current test when the frame cannot be written.
CByteArray Framed(std::uint8_t frameType, const CString& address, std::uint8_t command,
                  const CByteArray& payload);
// A long-form (frame type 0x00) packet with address "[KEY]" around a payload.
CByteArray LongPacket(std::uint8_t command, const CByteArray& payload);
// A pass-through packet (long form and "[KEY]" unless told): sub-command, transaction number, body.
CByteArray PassThroughPacket(std::uint8_t subCommand, std::uint16_t transaction, const CByteArray& body,
                             const CString& address = kAddressKeyStation,
                             std::uint8_t frameType = kFrameLong);
// A short-form packet (the command code is the frame type).
CByteArray ShortPacket(std::uint8_t command, const CByteArray& payload);

// With TESSALY_SEED_DIR set, appends the packet as one hex line to <dir>/<target>.txt: the tests'
// packets become the fuzz targets' seed corpus (scripts/update-seeds).
void RecordSeed(const char* target, const CByteArray& packet);

// Runs the factory over a whole packet; exceptions pass through.
std::unique_ptr<CObjCommResponse> Parse(const CByteArray& packet, bool extended,
                                        std::uint32_t* transaction = nullptr);
// Parses a pass-through body (wrapped in a packet with transaction number 1).
std::unique_ptr<CObjCommResponse> ParseBody(std::uint8_t subCommand, const CByteArray& body, bool extended);
// Frames `response`'s GetBody again with its own codes and the given transaction number.
CByteArray Reframe(const CObjCommResponse& response, std::uint16_t transaction);

}  // namespace tessaly::test
