// One table of outgoing messages with the exact body and description each must have, shared by the
// class, decoder and tool tests.
#pragma once

#include <memory>
#include <span>

#include "common/Types.h"
#include "protocol/ObjCommMessage.h"

namespace tessaly::test {

struct MessageCase {
    const char* name;
    bool extended;
    std::unique_ptr<CObjCommMessage> (*make)();
    const char* body;  // hex
    CStringArray description;
};

std::span<const MessageCase> MessageCases();

// The packet a station would send for `message`: address "[KEY]", frame type 0x00.
CByteArray ExpectedPacket(const CObjCommMessage& message, std::uint16_t transaction, const CByteArray& body);

}  // namespace tessaly::test
