// Script text to steps. Settings written in the script (time-out, address, extended flag, next
// transaction number) start from these values.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "protocol/ObjCommMessage.h"
#include "tools/objcomm/script/Script.h"

namespace tessaly::tools {

struct ScriptSettings {
    std::string address = kAddressKeyStation;
    bool extended = true;  // stations parse and answer extended
    std::chrono::milliseconds wait{5000};
    std::uint16_t firstTransaction = 1;
};

// The longest wait, pause or sleep a script may ask for.
inline constexpr std::chrono::milliseconds kMaxScriptWait{3600 * 1000};

// Parses every line; a line with an error adds one ScriptError and is left out, and so are the
// expect and item lines that belong to a command line with an error.
Script ParseScript(const std::string& text, const ScriptSettings& settings = {});

}  // namespace tessaly::tools
