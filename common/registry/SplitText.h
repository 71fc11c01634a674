// Cutting a text at a delimiter character.
#pragma once

#include <cstddef>

#include "common/Types.h"

namespace tessaly {

// Replaces `out` by the pieces of `text` between `delimiter` characters and returns their number.
// The empty text has no pieces; otherwise empty pieces count, and the piece after the last
// delimiter is always taken ("a\" gives "a" and "").
std::size_t SplitText(CStringArray& out, const CString& text, char delimiter);

}  // namespace tessaly
