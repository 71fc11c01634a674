// What a key station does with each command it receives, on its one PC/SC reader, and the
// acknowledgement it answers with. A key station is a contact station: resets, APDU exchange, bulk
// exchange, query and eject run on the reader; the configuration commands of a card station get
// fixed answers; contactless, key, serial-memory and serial-port commands are refused with 0x88.
// Runs on the station's server thread only.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "protocol/cipher/CipherEnvelope.h"
#include "cardaccess/PcscReader.h"
#include "protocol/serialmemory/SerialMemoryCommands.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/incoming/contact/BaudRateCommand.h"
#include "protocol/incoming/contact/BulkProcessCommand.h"
#include "protocol/incoming/contact/CardSimulationCommand.h"
#include "protocol/incoming/contact/DestinationCommands.h"
#include "protocol/incoming/contact/PpsResetCommands.h"
#include "protocol/incoming/contact/ProcessCommand.h"
#include "protocol/incoming/contact/ReaderAttribute.h"
#include "protocol/incoming/contact/ResetCommands.h"
#include "protocol/incoming/contact/StationCommands.h"
#include "protocol/outgoing/ProcessAcks.h"

namespace tessaly {

class CStationCommands {
public:
    static constexpr std::uint8_t kDestinationKbx = 0x58;
    static constexpr std::uint32_t kNotServed = 0x88;
    static constexpr int kMaxResends = 3;
    // Cold resets leave the card unpowered this long before connecting again.
    static constexpr int kColdResetPauseMs = 500;
    static constexpr std::uint32_t kPpsFrequencyKhz = 3579;
    static constexpr std::uint32_t kPpsBaudRate = 9600;

    // `stopFlag` is the station's: the fifth resend in a row raises it. `cipher` enciphers the
    // (empty) data of Diversify Keys replies.
    CStationCommands(CPcscReader& reader, std::atomic<std::int32_t>& stopFlag,
                     std::shared_ptr<const CCipherContext> cipher);
    CStationCommands(const CStationCommands&) = delete;
    CStationCommands& operator=(const CStationCommands&) = delete;

    // The acknowledgement to send, or null when the station has none for the command.
    std::unique_ptr<CObjCommMessage> DispatchCommand(CObjCommResponse& command);

    // Runs the items of a Bulk Process in order and appends their results to `reply`, stopping at
    // the first failure.
    static void ExecuteBulk(const CRspBulkProcess& command, CMsgBulkProcess& reply, CPcscReader& reader);

    // Consecutive resend requests so far.
    std::int32_t GetResendCount() const { return m_resendCount; }

private:
    using Reply = std::unique_ptr<CObjCommMessage>;
    using Handler = Reply (*)(CStationCommands& self, CObjCommResponse& command);
    struct Route {
        int subCommand;
        Handler handler;
    };
    static const Route kRoutes[];

    // Calls `Method` with the command as its own class.
    template <class Command, Reply (CStationCommands::*Method)(const Command&)>
    static Reply Call(CStationCommands& self, CObjCommResponse& command);

    Reply Resend(const CObjCommResponse& command);

    template <class Ack, bool kCold, bool kWithPps>
    Reply Reset();
    template <class Ack, class Command, bool kCold, bool kWithPps>
    Reply ResetCommand(const Command& /*command*/) {
        return Reset<Ack, kCold, kWithPps>();
    }
    Reply Process(const CRspProcess& command);
    Reply BulkProcess(const CRspBulkProcess& command);
    Reply SetVoltage(const CRspSetVoltage& command);
    Reply SetBaudRate(const CRspSetBaudRate& command);
    Reply SetFrequency(const CRspSetFrequency& command);
    Reply EjectCard(const CRspEjectCard& command);
    Reply QueryCard(const CRspQueryCard& command);
    Reply SetNad(const CRspSetNAD& command);
    Reply SerialMemoryProcess(const CRspSerialMemoryProcess& command);
    Reply BulkSerialProcess(const CRspBulkSerialProcess& command);
    Reply KeepAlive(const CRspKeepAlive& command);
    Reply CardCommandSimulation(const CRspCardCommandSimulation& command);
    Reply ReaderAttribute(const CRspReaderAttribute& command);
    Reply SetCardType(const CRspSetCardType& command);
    Reply DiversifyKeys(const CObjCommResponse& command);

    // Sleeps, but no longer than the station keeps running.
    void Pause(std::uint32_t milliseconds) const;

    CPcscReader& m_reader;
    std::atomic<std::int32_t>& m_stopFlag;
    std::shared_ptr<const CCipherContext> m_cipher;
    std::int32_t m_resendCount = 0;
};

}  // namespace tessaly
