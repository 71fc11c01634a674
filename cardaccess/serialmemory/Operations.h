// Every serial-memory operation class, for the code that reads their fields.
#pragma once

#include "cardaccess/serialmemory/GenericOperations.h"
#include "cardaccess/serialmemory/GpmOperations.h"
#include "cardaccess/serialmemory/SerialMemoryOperation.h"
#include "cardaccess/serialmemory/SleOperations.h"
#include "cardaccess/serialmemory/StOperations.h"
