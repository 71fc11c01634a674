// A host script: the exchange script of SCRIPT.md cut into sections, one per connection the host
// expects, each opened by a `connection KIND` line. A section's commands and expect lines are those of
// `objcomm zolt`, played against the client once it has sent the request that opens the connection.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/objcomm/script/Script.h"
#include "tools/objcomm/script/ScriptParser.h"

namespace tessaly::tools {

// What a client opens a connection for, told by its first packet.
enum class ConnectionKind {
    Register,    // register device (command 06)
    Name,        // request (07) or set (09) the device name
    Health,      // health check (99)
    Initialize,  // the Tarn start of a job
    Card,        // the Corvid start of a card
    Terminate,   // the terminate-job message
};

const char* KindName(ConnectionKind kind);
std::optional<ConnectionKind> KindByName(const std::string& name);
// The kind a request of this outgoing class opens; none for a class that opens no connection.
std::optional<ConnectionKind> KindOfRequest(const std::string& className);
// The classes that may open a connection of `kind`, separated by " or ", for messages.
std::string RequestClasses(ConnectionKind kind);

struct HostSection {
    ConnectionKind kind = ConnectionKind::Card;
    int line = 0;      // the connection line
    std::string text;  // the connection line as written
    int repeat = 1;    // connections in a row that this section serves
    bool repeatGiven = false;
    Expectation opening;  // the request that opens the connection
    // The framing and decoding in force at the connection line, for the answers made at run time.
    std::string address;
    bool extended = true;
    // The commands played once the request has arrived; the connection closes after the last.
    std::vector<Step> steps;
    // No command and no close line: the kind's default answers are played.
    bool defaults = false;
};

struct HostScript {
    std::vector<HostSection> sections;
    std::vector<ScriptError> errors;  // in line order
    bool Ok() const { return errors.empty(); }
};

// How long the host's expectations wait unless told otherwise.
inline constexpr std::chrono::milliseconds kDefaultHostWait{60000};

// The host's settings before any script line: framed answers carry "[CTRLR]", the driver's traffic is
// read extended, and expectations wait a minute (operators answer messages).
ScriptSettings HostSettings(std::chrono::milliseconds wait);

HostScript ParseHostScript(const std::string& text, const ScriptSettings& settings);

}  // namespace tessaly::tools
