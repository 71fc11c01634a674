// A key station's far end for the tool's tests: a thread with a listening socket on 127.0.0.1 that
// accepts one connection per session and plays that session's part on it. Sessions receive the way a
// key station does (one receive is one packet) and answer with bytes of their own choosing.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/Types.h"
#include "platform/Socket.h"

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

// The sessions the tests name:
//   answer   answers like a key station for as long as the client sends: keep-alive, health check,
//            Process (return code 6A82, data 6F1A), rejected packets (a finish with the codec's reason)
//   close    closes after one receive
//   silent   answers nothing and waits for the client to close
//   twice    answers the first packet twice in one write
//   sink     reads until the client closes
CFakeStation::Session NamedSession(const std::string& name);

}  // namespace tessaly::test
