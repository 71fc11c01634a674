// A key station's far end for the tool's tests: a thread with a listening socket on 127.0.0.1 that
// accepts one connection per session and plays that session's part on it. Sessions receive the way a
// key station does (one receive is one packet) and answer with bytes of their own choosing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/Types.h"
#include "platform/Socket.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"

namespace tessaly::test {

class CFakeStation;

// One accepted connection, as a session sees it.
class CStationLink {
public:
    CStationLink(platform::CSocket& socket, CFakeStation& station) : m_socket(socket), m_station(station) {}

    // One receive of at most kMaxStationPacket bytes, recorded; empty when the client closed the connection
    // or nothing came within 10 s.
    CByteArray Receive();
    void Send(const CByteArray& bytes);
    // Frames `message` as a key station does: its transaction number, address "[KEY]".
    void Reply(const CObjCommMessage& message, std::uint16_t transaction);
    // Returns when the client has closed the connection (or after 10 s).
    void WaitForClose();

private:
    platform::CSocket& m_socket;
    CFakeStation& m_station;
};

class CFakeStation {
public:
    using Session = std::function<void(CStationLink& link)>;

    // The sessions play in order, one per accepted connection; the station closes each connection
    // when its session returns.
    explicit CFakeStation(std::vector<Session> sessions);
    ~CFakeStation();  // waits for the sessions
    CFakeStation(const CFakeStation&) = delete;
    CFakeStation& operator=(const CFakeStation&) = delete;

    std::uint16_t Port() const { return m_port; }
    // Every receive of every session so far, in order.
    std::vector<CByteArray> Receives() const;
    // Waits for the sessions to end.
    void Join();

private:
    friend class CStationLink;
    void Record(const CByteArray& bytes);

    platform::CSocket m_listener;
    std::uint16_t m_port = 0;
    mutable std::mutex m_lock;
    std::vector<CByteArray> m_receives;  // guarded by m_lock
    std::thread m_thread;
};

// A packet parsed as a key station parses it (extended); null when the codec rejects it.
std::unique_ptr<CObjCommResponse> ParseAsStation(const CByteArray& packet, std::uint32_t& transaction);

// A session that answers like a key station for the few commands the tests use: keep-alive, health
// check and rejected packets (a finish with the codec's reason), for as long as the client sends.
void AnswerLikeStation(CStationLink& link);

}  // namespace tessaly::test
