#include "driver/HostLink.h"

#include "common/Format.h"
#include "driver/QuorlinLog.h"
#include "protocol/PassThruErrors.h"

namespace tessaly {

bool CHostLink::Connect(const DriverSettings& settings) {
    const std::uint32_t port = settings.ObjectCommunicatorPort();
    if (port > 0xFFFF ||
        !m_connection.Connect(settings.ObjectCommunicatorIp(), static_cast<std::uint16_t>(port))) {
        LogError(__LINE__, FormatText("Connection to Rudari Zovuravirero at %s:%d failed",
                                      settings.ObjectCommunicatorIp().c_str(), static_cast<int>(port)));
        return false;
    }
    return true;
}

bool CHostLink::Send(const CObjCommMessage& message, const char* address) {
    COutBinaryString packet;
    const std::uint16_t transaction = m_connection.GetLastTransactionNumber();
    const bool built = message.BuildPacket(packet, transaction, address, false) ||
                       message.BuildPacket(packet, transaction, address, true);
    if (!built || !m_connection.SendAll(packet.Bytes())) {
        LogError(__LINE__, FormatText("Sending %s to Rudari Zovuravirero failed", message.ClassName()));
        return false;
    }
    return true;
}

void CHostLink::DropOnePacket() {
    CInBinaryString packet;
    try {
        (void)m_connection.ReceivePacket(packet);
    } catch (const CPassThruFormatError&) {
        // Dropped unread all the same.
    }
}

}  // namespace tessaly
