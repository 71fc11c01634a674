// The names of the PC/SC readers, for the configuration dialogs.
#pragma once

#include <cstdint>

#include "common/Types.h"

namespace tessaly {

// Empties `names`, then fills it with the reader names of all groups in the order PC/SC lists them.
// Returns the PC/SC result (0 on success); on failure the list stays empty.
std::uint32_t ListReaders(CStringArray& names);

}  // namespace tessaly
