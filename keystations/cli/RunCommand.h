// `brantwick run [--station "READER=PORT"]...`: runs the key stations until SIGINT or SIGTERM.
#pragma once

#include <vector>

#include "common/Types.h"
#include "keystations/StationConfiguration.h"

namespace tessaly::tools {

struct RunOptions {
    // Given stations; empty: the registry's station list (and the PID file).
    std::vector<KeyStationEntry> stations;
};

// "READER=PORT" with a port of 1 to 65535; the reader is everything before the last '='.
// False, with `error` set, for anything else.
bool ParseStationArgument(const CString& text, KeyStationEntry& entry, CString& error);

// The exit status: 0 after a clean stop, 1 when the stations could not be started.
int RunStations(const RunOptions& options);

}  // namespace tessaly::tools
