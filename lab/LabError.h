// Why the virtual card lab could not do what it was asked.
#pragma once

#include <stdexcept>
#include <string>

namespace tessaly::lab {

class CLabError : public std::runtime_error {
  public:
    explicit CLabError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace tessaly::lab
