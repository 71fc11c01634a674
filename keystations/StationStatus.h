// The states a key station shows in its list row, with their display texts.
#pragma once

#include <cstdint>

#include "common/ValueTable.h"

namespace tessaly {

enum class StationStatus : std::uint32_t {
    Stopped = 0,            // made, or its server thread has ended
    Waiting = 1,            // server thread running, no command in progress
    Connected = 2,          // a client has just been accepted
    ProcessingCommand = 3,  // a packet has arrived and is being handled
    CardFailed = 4,         // the reader could not be connected at start
    SocketFailed = 5,       // the listening socket could not be made, bound or put to listen
    InternalError = 6,      // the server thread could not be made
};

inline constexpr CodeText kStationStatusTexts[] = {
    {0, "Stopped"},    {1, "Waiting"},      {2, "Connected"},     {3, "ProcessingCommand"},
    {4, "CardFailed"}, {5, "SocketFailed"}, {6, "InternalError"},
};

constexpr const char* StationStatusName(StationStatus status) {
    return LookupText(kStationStatusTexts, static_cast<std::uint32_t>(status), "Unknown");
}

}  // namespace tessaly
