// The host's server: listens, accepts the driver's and the configuration utility's connections and
// serves them one at a time. Connections that wait without a request are held open, so a client may
// open one connection, then another for a short request, and use the first afterwards.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Socket.h"
#include "tools/objcomm/host/HostDefaults.h"
#include "tools/objcomm/host/HostReport.h"
#include "tools/objcomm/host/HostScript.h"

namespace tessaly::tools {

struct HostOptions {
    std::string bind = "127.0.0.1";
    std::uint16_t port = 0;  // 0: the system picks a free port
    bool keepGoing = false;  // go on after a failure
    // Without a script: how many connections to serve (none: until the process is ended).
    std::optional<int> connections;
    int cards = 1;  // connections in a row served by each card section without repeat=
    // End when no request arrives for this long (none: wait without limit); a failure while the
    // script or the count of connections owes more.
    std::optional<std::chrono::milliseconds> idle;
    // How scripts start and how the default sections frame, decode and wait.
    ScriptSettings settings = HostSettings(kDefaultHostWait);
    HostAnswers answers;
};

class CHostServer {
public:
    explicit CHostServer(HostOptions options) : m_options(std::move(options)) {}
    CHostServer(const CHostServer&) = delete;
    CHostServer& operator=(const CHostServer&) = delete;

    // Binds and listens; false, with the reason, when the address or the port cannot be taken.
    bool Listen(std::string& error);
    // The port listened on (the one the system picked for port 0).
    std::uint16_t Port() const { return m_listener.LocalPort(); }

    // Serves connections: the script's sections in order, each for the connection whose request comes
    // next, or without a script each connection by its kind's default answers. A failure ends the
    // serving unless keepGoing. True when every request and answer was as expected.
    bool Serve(const HostScript* script, CHostReport& report);

private:
    struct Waiting {
        platform::CSocket socket;
        std::string peer;
    };

    // The next connection that has sent something (or closed); none when the idle time ran out
    // (`idled`) or the listener failed, with `stop` saying which.
    std::optional<Waiting> NextRequest(CHostReport& report, std::string& stop, bool& idled);
    // Reads and judges the request of one connection and plays the section that serves it; `next`
    // moves on when it was the scripted section's. False when something failed (a client that closes
    // without a request is no failure).
    bool ServeOne(Waiting client, const HostScript* script, std::size_t& next, CHostReport& report);

    HostOptions m_options;
    platform::CSocket m_listener;
    std::vector<Waiting> m_waiting;
    std::vector<const HostSection*> m_plan;  // the scripted sections, one entry per connection
    int m_served = 0;
};

}  // namespace tessaly::tools
