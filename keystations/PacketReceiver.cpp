#include "keystations/PacketReceiver.h"

#include "protocol/PacketFrame.h"
#include "protocol/PacketReader.h"

namespace tessaly {

using platform::CSocket;

namespace {

// What arrived, handed on to be parsed as it is: the codec rejects what is not a whole packet.
ReceivedPacket AsItArrived(const CPacketReader& reader) {
    return {ReceivedPacket::Kind::Packet, reader.Pending()};
}

}  // namespace

ReceivedPacket CPacketReceiver::Receive(CSocket& client) {
    ReceivedPacket result;
    // An idle connection: wait for the first byte, looking at the stop flag between waits.
    for (;;) {
        if (StopRequested()) {
            result.kind = ReceivedPacket::Kind::Stopped;
            return result;
        }
        const CSocket::WaitResult wait = client.WaitReadable(m_idlePoll);
        if (wait == CSocket::WaitResult::Readable) {
            break;
        }
        if (wait == CSocket::WaitResult::Failed) {
            return result;
        }
    }

    // A reader of its own for each packet: bytes after the packet go with it.
    CPacketReader reader(client, PacketLimits{kMaxStationPacket});
    std::chrono::milliseconds wait(0);  // the first piece is there already
    for (;;) {
        const std::size_t had = reader.Pending().size();
        const CPacketReader::Result read = reader.ReadPiece(result.bytes, wait);
        if (wait != std::chrono::milliseconds(0) && StopRequested()) {
            result.kind = ReceivedPacket::Kind::Stopped;
            result.bytes.clear();
            return result;
        }
        switch (read) {
            case CPacketReader::Result::Packet:
                result.kind = ReceivedPacket::Kind::Packet;
                return result;
            case CPacketReader::Result::TooLong:
                result.kind = ReceivedPacket::Kind::Oversized;
                result.bytes = reader.Pending();
                return result;
            case CPacketReader::Result::Closed:
                return result;
            case CPacketReader::Result::Unframeable:  // no layout says where it ends
                return AsItArrived(reader);
            case CPacketReader::Result::TimedOut:
                if (reader.Pending().size() == had) {
                    return AsItArrived(reader);  // the rest did not come in time
                }
                break;
        }
        wait = kRestTimeOut;
    }
}

}  // namespace tessaly
