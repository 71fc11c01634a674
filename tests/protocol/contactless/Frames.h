// How the contactless, key and device tests wrap a body into a packet, and the checks they share.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "common/Types.h"

namespace tessaly::test {

enum class FrameKind { PassThrough, Long, Short };

// The frame around a body: a pass-through sub-command with its transaction number, or a command
// code in the long or short form.
struct Frame {
    FrameKind kind;
    std::uint8_t code;
    std::uint16_t transaction = 1;
};

inline Frame Sub(std::uint8_t subCommand, std::uint16_t transaction = 1) {
    return {FrameKind::PassThrough, subCommand, transaction};
}
inline Frame Cmd(std::uint8_t command) {
    return {FrameKind::Long, command, 0};
}
inline Frame ShortCmd(std::uint8_t command) {
    return {FrameKind::Short, command, 0};
}

CByteArray MakePacket(const Frame& frame, const CByteArray& body);
// The class name of what the factory makes, or the name of the exception it throws.
std::string ParseOutcome(const Frame& frame, const CByteArray& body, bool extended = true);
// Every body prefix shorter than `body`, except the lengths in `validCuts`, must be rejected as a
// corrupted packet; the valid cuts must parse. Failures name the frame and the cut.
void ExpectTruncationsRejected(const Frame& frame, const CByteArray& body,
                               std::initializer_list<std::size_t> validCuts, const char* expectedClass);

}  // namespace tessaly::test
