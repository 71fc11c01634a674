// The serial-memory classes the factory makes.
#pragma once

#include "protocol/ResponseRegistry.h"
#include "protocol/serialmemory/SerialMemoryCommands.h"

namespace tessaly {

inline constexpr ResponseRow kSerialMemoryResponses[] = {
    Response<CRspSerialMemoryProcess>(),
    Response<CRspBulkSerialProcess>(),
};

}  // namespace tessaly
