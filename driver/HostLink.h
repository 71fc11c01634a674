// One method's link to the Rudari Zovuravirero: connect with the settings' address, send
// messages, receive commands, close. Failures to connect or send are written to the log here.
#pragma once

#include <memory>

#include "common/Types.h"
#include "driver/settings/DriverSettings.h"
#include "protocol/ObjCommConnection.h"

namespace tessaly {

class CHostLink {
public:
    CHostLink() = default;
    CHostLink(const CHostLink&) = delete;
    CHostLink& operator=(const CHostLink&) = delete;
    ~CHostLink() { Close(); }

    // False, with "Connection to Rudari Zovuravirero at %s:%d failed" in the log, when the host
    // cannot be reached (a port above 65535 included).
    bool Connect(const DriverSettings& settings);
    // Frames the message with the 16-bit length, or the 32-bit length when it does not fit
    // there, and writes it whole. A failure is logged; the next Receive finds out the rest.
    bool Send(const CObjCommMessage& message, const char* address);
    // One command; null when the host closed the connection. Parse exceptions pass through.
    std::unique_ptr<CObjCommResponse> Receive(bool extended) { return m_connection.Receive(extended); }
    // Reads one packet and drops it unread (the host's last word after a finish message); returns
    // when it has arrived or the connection has closed.
    void DropOnePacket();
    void Close() { m_connection.Close(); }

private:
    CObjCommConnection m_connection;
};

}  // namespace tessaly
