// Whether what came back after a command is what the script expects.
#pragma once

#include <string>

#include "common/Types.h"
#include "tools/objcomm/script/Script.h"

namespace tessaly::tools {

struct Answer {
    enum class Kind {
        Packet,       // one whole packet
        Silence,      // nothing complete within the time-out (`bytes`: what did arrive)
        Closed,       // the station closed the connection (`bytes`: a partial packet, if any)
        Unframeable,  // bytes that start no packet of a known layout
        TooLong,      // a packet larger than the reader accepts
    };
    Kind kind = Kind::Packet;
    CByteArray bytes;
};

struct Verdict {
    bool ok = false;
    std::string reason;  // why not, for the report; empty when ok
};

// Class expectations decode the answer as a station's message (with the expectation's extended flag)
// and check its class, its transaction number (pass-through answers only) and the label/value pairs in
// order: each pair takes the next entry of the description with its label (any case) after the entry
// the pair before it took. Values are equal as texts, or as the same bytes when both are hexadecimal.
Verdict CheckAnswer(const Expectation& expectation, const Answer& answer);

// The two value texts stand for the same thing (see CheckAnswer).
bool SameValue(const std::string& actual, const std::string& expected);

}  // namespace tessaly::tools
