// Golden cases of the contact-card and station commands: a body as the host sends it, the exact
// description list and the exact re-encoded body. Shared by the description, truncation and
// round-trip tests.
#pragma once

#include <cstdint>
#include <vector>

#include "common/Types.h"

namespace tessaly::test {

struct ContactCase {
    const char* className;
    std::uint8_t subCommand;
    bool extended;
    const char* body;
    CStringArray description;
    // What GetBody gives when it differs from the body (normalised lengths, reserved bytes).
    const char* rewritten = nullptr;
};

// Every body is consumed to its last byte, so each shorter prefix of it is malformed.
const std::vector<ContactCase>& ContactCases();

}  // namespace tessaly::test
