// The host's side of a key station connection for tests: a TCP client that sends request packets,
// cuts the station's answers with the packet reader and decodes them with the host-side decoder.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Types.h"
#include "platform/Socket.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/PacketReader.h"

namespace tessaly::test {

struct StationAnswer {
    CByteArray bytes;                          // the whole packet, or what arrived of it
    std::unique_ptr<CObjCommMessage> message;  // null when it did not decode
    std::uint32_t transaction = 0;
    CString error;  // why there is no message

    template <class T>
    const T* As() const {
        return dynamic_cast<const T*>(message.get());
    }
};

class CHostPeer {
public:
    static constexpr std::chrono::milliseconds kAnswerLimit{5000};

    // Connects to 127.0.0.1:port (retrying briefly while the station comes up).
    explicit CHostPeer(std::uint16_t port, std::chrono::milliseconds connectLimit = std::chrono::seconds(5));

    bool IsConnected() const { return m_socket.IsOpen(); }
    std::uint16_t LocalPort() const { return m_socket.LocalPort(); }
    bool Send(const CByteArray& bytes);
    // Writes the pieces one by one with `pause` between them (each its own TCP segment).
    bool SendPieces(const std::vector<CByteArray>& pieces, std::chrono::milliseconds pause);
    // One answer packet; without one (none within `limit`, or the connection ended) `error` says why.
    StationAnswer Receive(std::chrono::milliseconds limit = kAnswerLimit);
    StationAnswer Exchange(const CByteArray& packet, std::chrono::milliseconds limit = kAnswerLimit);
    // True when the station closes the connection within `limit` (bytes before the end are dropped).
    bool WaitForClose(std::chrono::milliseconds limit);
    // True when nothing at all arrives within `limit`.
    bool Silent(std::chrono::milliseconds limit);
    void Close() { m_socket.Close(); }

private:
    platform::CSocket m_socket;
    CPacketReader m_reader{m_socket};
};

// A pass-through request from the host: frame 00, address "0123456789ABCDEF", command 0A.
CByteArray HostRequest(std::uint8_t subCommand, std::uint16_t transaction, const std::string& bodyHex);
// The answer a station sends: frame 00, address "[KEY]", command 0A, sub-command, transaction, body.
CByteArray StationReply(std::uint8_t subCommand, std::uint16_t transaction, const std::string& bodyHex);
// A free TCP port from `first` to `last` on 127.0.0.1 (the ephemeral range is avoided so that a
// client socket cannot take it in between).
std::uint16_t FreePort(std::uint16_t first = 20000, std::uint16_t last = 29999);

}  // namespace tessaly::test
