// The protocol classes a script names: the incoming classes (what a host sends a station) with the
// codes that frame them, and the outgoing classes (what a station answers).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tessaly::tools {

struct CommandClass {
    const char* name;
    std::uint8_t command;
    int subCommand;  // -1 outside pass-through
};

std::span<const CommandClass> IncomingClasses();
std::span<const CommandClass> OutgoingClasses();

// By exact name; null when there is none.
const CommandClass* FindIncomingClass(const std::string& name);
const CommandClass* FindOutgoingClass(const std::string& name);

}  // namespace tessaly::tools
