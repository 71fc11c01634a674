#include "tests/protocol/contactless/Frames.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "protocol/PassThruErrors.h"
#include "tests/support/TestPackets.h"

namespace tessaly::test {

CByteArray MakePacket(const Frame& frame, const CByteArray& body) {
    switch (frame.kind) {
        case FrameKind::PassThrough:
            return PassThroughPacket(frame.code, frame.transaction, body);
        case FrameKind::Long:
            return LongPacket(frame.code, body);
        case FrameKind::Short:
            return ShortPacket(frame.code, body);
    }
    return {};
}

std::string ParseOutcome(const Frame& frame, const CByteArray& body, bool extended) {
    try {
        auto response = Parse(MakePacket(frame, body), extended);
        return response == nullptr ? "null" : response->ClassName();
    } catch (const CPassThruFormatError& e) {
        return e.Name();
    }
}

void ExpectTruncationsRejected(const Frame& frame, const CByteArray& body,
                               std::initializer_list<std::size_t> validCuts, const char* expectedClass) {
    for (std::size_t cut = 0; cut < body.size(); ++cut) {
        const CByteArray prefix(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(cut));
        const bool valid = std::find(validCuts.begin(), validCuts.end(), cut) != validCuts.end();
        EXPECT_EQ(ParseOutcome(frame, prefix), valid ? expectedClass : "CPassThruParseError")
            << "code " << int{frame.code} << ", body " << ToHex(body) << " cut to " << cut << " bytes";
    }
}

}  // namespace tessaly::test
