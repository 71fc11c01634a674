// One key station: a TCP server on its own port that executes the commands of one connected host
// on one PC/SC reader, one command at a time, on its own thread.
//
// Threads: the thread that makes, starts and stops the station (the window's, the program's main
// thread) and the station's server thread. The display fields (status, client address and port,
// transaction count) are written by both and read by the first under one lock, as a snapshot;
// the stop flag is an atomic; the client socket is replaced or closed by the server thread only,
// under a lock that Stop takes to shut it down. Everything else belongs to the server thread
// while it runs.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "cardaccess/PcscReader.h"
#include "common/Types.h"
#include "keystations/StationCommandHandler.h"
#include "keystations/StationObserver.h"
#include "keystations/StationSettings.h"
#include "keystations/StationStatus.h"
#include "platform/Socket.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"

namespace tessaly {

// What the station list shows of a station, read in one piece.
struct StationDisplay {
    StationStatus status = StationStatus::Stopped;
    CString clientAddress;         // empty until the first client
    std::uint16_t clientPort = 0;  // 0 until the first client
    std::uint32_t transactionCount = 0;
};

class CKeyStation {
public:
    // How long one wait for a new client (or for a command of an idle client) lasts before the
    // stop flag is looked at again.
    static constexpr std::chrono::milliseconds kPollTimeOut{1000};
    static constexpr int kListenBacklog = 5;
    // After a failed accept, before the next wait.
    static constexpr std::chrono::milliseconds kFailurePause{50};

    // Takes the next station id and makes the reader (its presence monitor starts); opens nothing.
    CKeyStation(CString readerName, std::uint16_t port, StationOptions options = {});
    CKeyStation(const CKeyStation&) = delete;
    CKeyStation& operator=(const CKeyStation&) = delete;
    // Stops the station, then the reader goes (its monitor ends, the card is released).
    virtual ~CKeyStation();

    // Connects the reader, opens the listening socket and starts the server thread. False, with
    // the status telling why (CardFailed, SocketFailed, InternalError), when any of it fails; such
    // a station stays failed. Only the first call on a station does anything.
    bool Start();
    // Raises the stop flag, ends a connection that waits for its next command, and waits for the
    // server thread. True when there was a thread to wait for.
    bool Stop();
    // Raises the stop flag and wakes the server thread, without waiting: a caller that stops many
    // stations asks them all first and then waits for each.
    void RequestStop();

    // Stores the status and tells the observer.
    void SetStatus(StationStatus status);
    StationStatus GetStatus() const;
    const char* GetStatusName() const { return StationStatusName(GetStatus()); }
    StationDisplay GetDisplay() const;

    const CString& GetReaderName() const { return m_readerName; }
    std::uint16_t GetPort() const { return m_port; }
    int GetStationId() const { return m_stationId; }
    CString GetClientAddress() const { return GetDisplay().clientAddress; }
    std::uint16_t GetClientPort() const { return GetDisplay().clientPort; }
    std::uint32_t GetTransactionCount() const { return GetDisplay().transactionCount; }

    // Borrowed; null tells nobody. The observer must outlive the station or be replaced first.
    void SetObserver(CStationObserver* observer) { m_observer.store(observer); }

    // Frames `reply` with the last transaction number and the address "[KEY]" and writes it whole.
    // A reply too long for the 16-bit frame goes in the 32-bit frame. False when it could not be
    // written completely.
    bool SendReply(platform::CSocket& socket, CObjCommMessage& reply);
    // The body of the server thread; returns when the station has stopped.
    void ServerLoop();
    // The acknowledgement for a command, or null when the station has none (StationCommandHandler.h).
    std::unique_ptr<CObjCommMessage> DispatchCommand(CObjCommResponse& command);

    // The process-wide station id counter: the id the next station will get.
    static int PeekNextStationId();

private:
    // One accepted connection, from its first packet to its end.
    void ServeClient();
    // Parses and handles one packet, and answers it.
    void HandlePacket(const CByteArray& bytes);
    // Answers a packet that was rejected, or a command that has no reply of its own.
    void SendFinish(std::uint8_t reason);
    void AcceptClient();
    void CloseClient();
    template <class Change>
    void ChangeDisplay(Change change);
    void Log(const CString& text);

    const CString m_readerName;
    const std::uint16_t m_port;
    const int m_stationId;
    const StationOptions m_options;

    std::atomic<std::int32_t> m_stopFlag{0};
    std::atomic<CStationObserver*> m_observer{nullptr};

    mutable std::mutex m_displayLock;
    StationDisplay m_display;  // guarded by m_displayLock

    std::mutex m_socketLock;     // held to replace or close m_client, and by Stop to shut it down
    platform::CSocket m_client;  // written by the server thread only
    platform::CSocket m_listener;

    std::uint32_t m_transactionNumber = 0;  // server thread
    bool m_started = false;                 // starting thread
    CPcscReader m_reader;
    CStationCommandHandler m_handler;
    std::thread m_thread;  // last: joined before anything above goes
};

}  // namespace tessaly
