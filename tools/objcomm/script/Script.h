// An exchange script: what a host-side peer sends to a station and what it expects back, one step at
// a time. Written as text (SCRIPT.md), parsed by ParseScript into these steps; every setting a step
// depends on (address, extended flag, transaction number, time-out) is resolved while parsing, so a
// step builds its bytes and checks its answers on its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/Types.h"

namespace tessaly::tools {

enum class FrameForm {
    Long,   // frame type 00: 1-byte address length, 2-byte payload length
    Wide,   // frame type 02: 4-byte payload length
    Short,  // the command code is the frame type (01, 03, 99, FF only)
};

// A command framed by the script: codes, sub-header and frame around a body.
struct FramedCommand {
    std::string className;  // the incoming class the codes belong to ("CRspProcess")
    std::uint8_t command = 0;
    int subCommand = -1;  // -1: not a pass-through command
    std::uint16_t transaction = 0;
    std::string address;
    FrameForm form = FrameForm::Long;
    CByteArray body;
};

// One packet of a send step: raw bytes as written, or a framed command.
struct ScriptPacket {
    bool raw = false;
    CByteArray bytes;  // raw only
    FramedCommand framed;
};

// What the answer to one sent packet must be.
struct Expectation {
    enum class Kind {
        Any,     // one packet, whatever it holds
        Class,   // a message of this class whose description holds the given pairs
        Packet,  // exactly these bytes
        None,    // no byte within the time-out
        Closed,  // the station closes the connection within the time-out
    };
    Kind kind = Kind::Any;
    int line = 0;      // 0: implied (a command without expect line waits for any answer)
    std::string text;  // the script line, for reports
    std::chrono::milliseconds wait{5000};
    bool extended = true;  // how the answer is decoded
    std::string className;
    std::vector<std::pair<std::string, std::string>> fields;  // label, value; checked in order
    // The transaction number a pass-through answer must carry; none: not checked.
    std::optional<std::uint16_t> transaction;
    CByteArray packet;
};

struct Step {
    enum class Kind { Send, Sleep, Reconnect };
    Kind kind = Kind::Send;
    int line = 0;
    std::string text;
    // Send: the packets written together in one write, or, for raw pieces, one write per piece with a
    // pause after each but the last.
    std::vector<ScriptPacket> packets;
    std::vector<CByteArray> pieces;
    std::chrono::milliseconds pause{0};
    bool extended = true;  // how the sent packets are decoded for the report
    // One per answer awaited, in order; never empty for a send step.
    std::vector<Expectation> expectations;
    // Sleep:
    std::chrono::milliseconds duration{0};
};

struct ScriptError {
    int line = 0;
    std::string message;
};

struct Script {
    std::vector<Step> steps;
    std::vector<ScriptError> errors;  // every line's first error, in line order
    bool Ok() const { return errors.empty(); }
};

}  // namespace tessaly::tools
