// What the host answers when a section gives no commands, or when it runs without a script: the
// answer a working server gives each kind of connection, made from the client's request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/ObjCommMessage.h"
#include "tools/objcomm/host/HostScript.h"

namespace tessaly::tools {

struct HostAnswers {
    std::string deviceName = "STATION1";        // the answer to a device-name request
    std::optional<std::uint8_t> registerError;  // refuse registrations with this error code
    std::optional<std::uint8_t> nameError;      // refuse device-name requests with this error code
    std::uint8_t accept = 0;                    // the accept code of each Pass Through Complete
};

// A section that serves a connection of `kind` with the default answers, in the given settings.
HostSection DefaultSection(ConnectionKind kind, const ScriptSettings& settings);

// The default commands for a connection of `section.kind` opened by `request`:
// - register: CRspRegisterDevice carrying the name registered, or CRspError;
// - name: CRspRequestDeviceName carrying the host's device name, or for a set-name request
//   CRspSetDeviceName carrying the name set; or CRspError;
// - health: CRspHealthCheck;
//   each then waits for the client to close;
// - initialize and card: Pass Through Complete, then the client's finish message (reason 00);
// - terminate: Pass Through Complete, then the client closes.
// False, with a message, when an answer cannot be built (a name too long for a packet).
bool DefaultSteps(const HostSection& section, const CObjCommMessage& request, const HostAnswers& answers,
                  std::vector<Step>& steps, std::string& error);

}  // namespace tessaly::tools
