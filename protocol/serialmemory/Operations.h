// Every serial-memory operation class, for the code that reads their fields.
#pragma once

#include "protocol/serialmemory/GenericOperations.h"
#include "protocol/serialmemory/GpmOperations.h"
#include "protocol/serialmemory/SerialMemoryOperation.h"
#include "protocol/serialmemory/SleOperations.h"
#include "protocol/serialmemory/StOperations.h"
