// What a key station does with each command it receives, on its one PC/SC reader, and the
// acknowledgement it answers with. A key station is a contact station: resets, APDU exchange, bulk
// exchange, query and eject run on the reader; the configuration commands of a card station get
// fixed answers; contactless, key, serial-memory and serial-port commands are refused with 0x88.
// Runs on the station's server thread only.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "cardaccess/PcscReader.h"
#include "cardaccess/ReaderErrors.h"
#include "protocol/CommandCode.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/cipher/CipherEnvelope.h"
#include "protocol/incoming/contact/BaudRateCommand.h"
#include "protocol/incoming/contact/BulkProcessCommand.h"
#include "protocol/incoming/contact/CardSimulationCommand.h"
#include "protocol/incoming/contact/DestinationCommands.h"
#include "protocol/incoming/contact/PpsResetCommands.h"
#include "protocol/incoming/contact/ProcessCommand.h"
#include "protocol/incoming/contact/ReaderAttribute.h"
#include "protocol/incoming/contact/ResetCommands.h"
#include "protocol/incoming/contact/SerialPortCommands.h"
#include "protocol/incoming/contact/StationCommands.h"
#include "protocol/incoming/contactless/PiccCommands.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "protocol/serialmemory/SerialMemoryCommands.h"

namespace tessaly {

class CStationCommandHandler {
public:
    // Every command a key station does not serve: the destination is invalid for its hardware.
    static constexpr std::uint32_t kNotServed = station::kInvalidDestination;
    static constexpr int kMaxResends = 3;
    // Cold resets leave the card unpowered this long before connecting again.
    static constexpr int kColdResetPauseMs = 500;
    static constexpr std::uint32_t kPpsFrequencyKhz = 3579;
    static constexpr std::uint32_t kPpsBaudRate = 9600;

    // `stopFlag` is the station's: the fifth resend in a row raises it. `cipher` enciphers the
    // (empty) data of Diversify Keys replies.
    CStationCommandHandler(CPcscReader& reader, std::atomic<std::int32_t>& stopFlag,
                           std::shared_ptr<const CCipherContext> cipher);
    CStationCommandHandler(const CStationCommandHandler&) = delete;
    CStationCommandHandler& operator=(const CStationCommandHandler&) = delete;

    // The acknowledgement to send, or null when the station has none for the command.
    std::unique_ptr<CObjCommMessage> DispatchCommand(CObjCommResponse& command);

    // Runs the items of a Bulk Process in order and appends their results to `reply`, stopping at
    // the first failure.
    static void ExecuteBulk(const CRspBulkProcess& command, CMsgBulkProcess& reply, CPcscReader& reader);

    // Consecutive resend requests so far.
    std::int32_t GetResendCount() const { return m_resendCount; }

private:
    using Reply = std::unique_ptr<CObjCommMessage>;
    using Handler = Reply (*)(CStationCommandHandler& self, CObjCommResponse& command);
    struct Route {
        CommandCode code;
        Handler handler;
    };
    static const Route kRoutes[];

    // The route of `Command` to `Method`, which gets the command as its own class.
    template <class Command, Reply (CStationCommandHandler::*Method)(const Command&)>
    static constexpr Route Serve();
    template <class Command, Reply (CStationCommandHandler::*Method)(const Command&)>
    static Reply Call(CStationCommandHandler& self, CObjCommResponse& command);

    Reply Resend(const CObjCommResponse& command);

    template <class Ack, bool Cold, bool WithPps>
    Reply Reset();
    template <class Ack, class Command, bool Cold, bool WithPps>
    Reply ResetCommand(const Command& /*command*/) {
        return Reset<Ack, Cold, WithPps>();
    }
    // A command this station does not serve: `Ack` with return code 0x88 and empty fields.
    template <class Ack, class Command, class... Empty>
    Reply Refuse(const Command& /*command*/) {
        return std::make_unique<Ack>(kNotServed, Empty{}..., true);
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
    Reply DiversifyKeys(const CRspDiversifyKeys& command);

    // Sleeps, but no longer than the station keeps running.
    void Pause(std::uint32_t milliseconds) const;

    CPcscReader& m_reader;
    std::atomic<std::int32_t>& m_stopFlag;
    std::shared_ptr<const CCipherContext> m_cipher;
    std::int32_t m_resendCount = 0;
};

}  // namespace tessaly
