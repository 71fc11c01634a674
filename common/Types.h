// Value types of every data model: plain aliases of the standard library.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessaly {

using CByteArray = std::vector<std::uint8_t>;
using CString = std::string;  // single-byte text; may hold zero bytes
using CStringArray = std::vector<std::string>;

// Reference-counted pointer for items that can outlive the command that parsed them.
template <class T>
using CRCPtr = std::shared_ptr<T>;

}  // namespace tessaly
