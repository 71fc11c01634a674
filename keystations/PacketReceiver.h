// Cuts one request packet out of a station's TCP stream, with the one packet reader.
//
// A packet is read by its own length fields: the first receive takes up to kMaxStationPacket bytes;
// when the frame announces more than arrived, the rest is awaited, each further piece within
// kRestTimeOut of the one before. When the rest does not come in time, what arrived is handed on as
// it is (the parser then rejects it as corrupted). Bytes that arrive after the end of the packet are
// dropped. A frame that announces more than kMaxStationPacket bytes is reported as oversized without
// reading further, so the caller can answer it and close the connection: its remaining bytes would
// otherwise be taken for packets of their own.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "common/Types.h"
#include "platform/Socket.h"

namespace tessaly {

struct ReceivedPacket {
    enum class Kind {
        Packet,     // `bytes` holds one packet (or what arrived of it)
        Oversized,  // the frame announces more than kMaxStationPacket bytes
        Closed,     // the peer closed the connection, or the receive failed
        Stopped,    // the stop flag was raised while waiting
    };
    Kind kind = Kind::Closed;
    CByteArray bytes;
};

class CPacketReceiver {
public:
    static constexpr std::chrono::milliseconds kRestTimeOut{500};

    // `stopFlag` non-zero ends a wait; an idle connection looks at it every `idlePoll`.
    CPacketReceiver(const std::atomic<std::int32_t>& stopFlag, std::chrono::milliseconds idlePoll)
        : m_stopFlag(stopFlag), m_idlePoll(idlePoll) {}

    ReceivedPacket Receive(platform::CSocket& client);

private:
    bool StopRequested() const { return m_stopFlag.load() != 0; }

    const std::atomic<std::int32_t>& m_stopFlag;
    std::chrono::milliseconds m_idlePoll;
};

}  // namespace tessaly
