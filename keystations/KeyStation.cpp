#include "keystations/KeyStation.h"

#include <exception>
#include <system_error>
#include <utility>

#include "common/Format.h"
#include "keystations/PacketReceiver.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/PassThroughModeMessages.h"

namespace tessaly {
namespace {

std::atomic<int> g_lastStationId{0};

}  // namespace

int CKeyStation::PeekNextStationId() {
    return g_lastStationId.load() + 1;
}

CKeyStation::CKeyStation(CString readerName, std::uint16_t port, StationOptions options)
    : m_readerName(std::move(readerName)),
      m_port(port),
      m_stationId(g_lastStationId.fetch_add(1) + 1),
      m_options(std::move(options)),
      m_reader(m_readerName, false),
      m_handler(m_reader, m_stopFlag, m_options.cipher) {}

CKeyStation::~CKeyStation() {
    Stop();
}

bool CKeyStation::Start() {
    if (m_started) {
        return false;
    }
    m_started = true;
    m_stopFlag.store(0);

    if (m_reader.Connect() != 0) {
        SetStatus(StationStatus::CardFailed);
        return false;
    }
    platform::CSocket listener = platform::CSocket::CreateTcp();
    // A restarted station must get its port back while connections of its predecessor linger.
    (void)listener.SetReuseAddress();
    const bool bound = m_options.bindAddress.empty() ? listener.BindAny(m_port)
                                                     : listener.Bind(m_options.bindAddress, m_port);
    if (!listener.IsOpen() || !bound || !listener.Listen(kListenBacklog)) {
        SetStatus(StationStatus::SocketFailed);
        return false;
    }
    m_listener = std::move(listener);

    // Waiting before the thread runs: the thread's own first change (a client) must not be
    // overwritten by this one.
    SetStatus(StationStatus::Waiting);
    try {
        m_thread = std::thread([this] {
            try {
                ServerLoop();
            } catch (const std::exception& error) {
                // Nothing may end the process from here; the station shows that it failed.
                Log(FormatText("The station ended: %s", error.what()));
                SetStatus(StationStatus::InternalError);
            } catch (...) {
                SetStatus(StationStatus::InternalError);
            }
        });
    } catch (const std::system_error&) {
        m_listener.Close();
        SetStatus(StationStatus::InternalError);
        return false;
    }
    return true;
}

void CKeyStation::RequestStop() {
    m_stopFlag.fetch_add(1);
    // Wakes a thread that waits for a client or for a command; the thread closes the sockets.
    const std::lock_guard<std::mutex> lock(m_socketLock);
    if (m_client.IsOpen()) {
        (void)m_client.Shutdown();
    }
    if (m_listener.IsOpen()) {
        (void)m_listener.Shutdown();
    }
}

bool CKeyStation::Stop() {
    if (!m_thread.joinable()) {
        return false;
    }
    RequestStop();
    m_thread.join();
    return true;
}

void CKeyStation::SetStatus(StationStatus status) {
    ChangeDisplay([status](StationDisplay& display) { display.status = status; });
}

StationStatus CKeyStation::GetStatus() const {
    const std::lock_guard<std::mutex> lock(m_displayLock);
    return m_display.status;
}

StationDisplay CKeyStation::GetDisplay() const {
    const std::lock_guard<std::mutex> lock(m_displayLock);
    return m_display;
}

template <class Change>
void CKeyStation::ChangeDisplay(Change change) {
    {
        const std::lock_guard<std::mutex> lock(m_displayLock);
        change(m_display);
    }
    if (CStationObserver* observer = m_observer.load()) {
        observer->OnStationChanged(m_stationId);
    }
}

void CKeyStation::Log(const CString& text) {
    if (CStationObserver* observer = m_observer.load()) {
        observer->OnStationLog(m_stationId, text);
    }
}

bool CKeyStation::SendReply(platform::CSocket& socket, CObjCommMessage& reply) {
    COutBinaryString packet;
    const auto transaction = static_cast<std::uint16_t>(m_transactionNumber);
    if (!reply.BuildPacket(packet, transaction, kAddressKeyStation, false) &&
        !reply.BuildPacket(packet, transaction, kAddressKeyStation, true)) {
        return false;
    }
    return socket.SendAll(packet.Bytes().data(), packet.Size());
}

std::unique_ptr<CObjCommMessage> CKeyStation::DispatchCommand(CObjCommResponse& command) {
    return m_handler.DispatchCommand(command);
}

void CKeyStation::ServerLoop() {
    while (m_stopFlag.load() == 0) {
        AcceptClient();
        if (m_client.IsOpen()) {
            ServeClient();
            CloseClient();
        }
    }
    {
        const std::lock_guard<std::mutex> lock(m_socketLock);
        m_client.Close();
        m_listener.Close();
    }
    SetStatus(StationStatus::Stopped);
}

void CKeyStation::AcceptClient() {
    const platform::CSocket::WaitResult wait = m_listener.WaitReadable(kPollTimeOut);
    if (m_stopFlag.load() != 0 || wait == platform::CSocket::WaitResult::TimedOut) {
        return;
    }
    CString address;
    std::uint16_t port = 0;
    platform::CSocket client;
    if (wait == platform::CSocket::WaitResult::Readable) {
        client = m_listener.Accept(&address, &port);
    }
    if (!client.IsOpen()) {
        // As if nobody had come; a pause keeps a socket that keeps failing from spinning the thread.
        std::this_thread::sleep_for(kFailurePause);
        return;
    }
    if (m_options.clients && !m_options.clients->Allows(address)) {
        client.Close();
        Log(FormatText("Refused client %s:%u on port %u: not in AllowedClients", address.c_str(),
                       static_cast<unsigned>(port), static_cast<unsigned>(m_port)));
        return;
    }
    (void)client.SetNoDelay(true);
    {
        const std::lock_guard<std::mutex> lock(m_socketLock);
        m_client = std::move(client);
        // A stop that came while the lock was free must still reach this connection.
        if (m_stopFlag.load() != 0) {
            (void)m_client.Shutdown();
        }
    }
    ChangeDisplay([&](StationDisplay& display) {
        display.clientAddress = address;
        display.clientPort = port;
        display.status = StationStatus::Connected;
    });
}

void CKeyStation::CloseClient() {
    const std::lock_guard<std::mutex> lock(m_socketLock);
    m_client.Close();
}

void CKeyStation::ServeClient() {
    CPacketReceiver receiver(m_stopFlag, kPollTimeOut);
    while (m_stopFlag.load() == 0) {
        ReceivedPacket packet = receiver.Receive(m_client);
        switch (packet.kind) {
            case ReceivedPacket::Kind::Closed:
            case ReceivedPacket::Kind::Stopped:
                return;
            case ReceivedPacket::Kind::Oversized:
                // The rest of it would be read as packets of their own: answer and hang up.
                SetStatus(StationStatus::ProcessingCommand);
                SendFinish(kFinishCorruptedPacket);
                SetStatus(StationStatus::Waiting);
                return;
            case ReceivedPacket::Kind::Packet:
                SetStatus(StationStatus::ProcessingCommand);
                HandlePacket(packet.bytes);
                break;
        }
    }
}

void CKeyStation::HandlePacket(const CByteArray& bytes) {
    std::unique_ptr<CObjCommResponse> command;
    try {
        CInBinaryString in(bytes);
        std::uint32_t transaction = 0;
        command = CObjCommResponse::CreateFromPacket(in, transaction, true);
        if (command) {
            m_transactionNumber = transaction;
        }
    } catch (const CPassThruFormatError& rejection) {
        SendFinish(rejection.FinishReason());
        return;
    } catch (const std::exception& error) {
        // A layout that could not be held (memory): the packet cannot be taken as it is.
        Log(FormatText("Packet rejected: %s", error.what()));
        SendFinish(kFinishCorruptedPacket);
        return;
    }
    if (!command) {
        SendFinish(kFinishUnknownCommand);  // no memory for the command: it cannot be handled
        return;
    }

    std::unique_ptr<CObjCommMessage> reply;
    try {
        reply = DispatchCommand(*command);
    } catch (const std::exception& error) {
        Log(FormatText("%s failed: %s", command->ClassName(), error.what()));
        reply.reset();
    }
    if (reply) {
        (void)SendReply(m_client, *reply);
    } else {
        // A host waits for one answer to every packet: none of its own is answered as unknown.
        SendFinish(kFinishUnknownCommand);
    }
    ChangeDisplay([](StationDisplay& display) {
        ++display.transactionCount;
        display.status = StationStatus::Waiting;
    });
}

void CKeyStation::SendFinish(std::uint8_t reason) {
    CMsgPassThroughModeFinish finish(reason, true);
    (void)SendReply(m_client, finish);
}

}  // namespace tessaly
