// One case per operation class (and per table text worth a look): the bytes of one operation, what it
// must be parsed into and how it must describe itself.
#pragma once

#include <cstdint>
#include <span>

#include "common/Types.h"

namespace tessaly::test {

struct OperationCase {
    std::uint8_t chip;
    const char* operation;  // code, parameter length, parameters (hex)
    const char* className;
    std::uint32_t paramLength;
    CStringArray pairs;  // "Operation", the name, then the parameter pairs
};

std::span<const OperationCase> OperationCases();

}  // namespace tessaly::test
