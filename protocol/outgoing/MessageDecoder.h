// Host-side decoding of what a station sends: one packet into the outgoing message it carries, made
// by the message class's own reading constructor.
//
// Where one code has several classes, the body decides:
// - sub-code 0x00: the second text of the body. "TERMINATE" gives CMsgTerminateJob and "CONTROLLER"
//   gives CMsgTarnStartPassThroughMode, each only when the whole body reads in that layout; anything
//   else is CMsgCorvidStartPassThroughMode.
// - sub-code 0x03: CMsgSetBaudRate in its Issue PPS form when bytes follow the return code, else in its
//   Set Baud Rate form.
// - sub-code 0x05: CMsgProcess indicator-first when the length field where that layout keeps it counts
//   exactly the bytes after it, else length-first. Bulk Process elements are read length-first.
#pragma once

#include <cstdint>
#include <memory>

#include "protocol/BinaryString.h"
#include "protocol/ObjCommMessage.h"

namespace tessaly {

// Parses one complete packet as CObjCommResponse::CreateFromPacket does (same checks, same order, same
// exceptions), choosing among the classes this side sends. `transactionNumber` receives the
// pass-through transaction number, or 0. Returns null only when memory runs out.
std::unique_ptr<CObjCommMessage> CreateMessageFromPacket(CInBinaryString& packet,
                                                         std::uint32_t& transactionNumber, bool extended);

}  // namespace tessaly
