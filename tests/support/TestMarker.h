// The line a test program prints as its very last output when every test passed. CTest's
// PASS_REGULAR_EXPRESSION for programs under Wine is this text (tests/CMakeLists.txt).
#pragma once

namespace tessaly::test {

inline constexpr const char* kPassMarker = "TESSALY-TEST-PROGRAM-PASSED";

}  // namespace tessaly::test
