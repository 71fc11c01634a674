#include "keystations/StationCommandHandler.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "keystations/ReaderAttributes.h"
#include "protocol/ValueCodes.h"
#include "protocol/incoming/contact/ProtocolReplies.h"
#include "protocol/outgoing/ContactlessAcks.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ResetAcks.h"
#include "protocol/outgoing/SerialMemoryAcks.h"
#include "protocol/outgoing/SimpleAcks.h"
#include "protocol/outgoing/StationAcks.h"

namespace tessaly {
namespace {

// Issue PPS answer of a station that keeps its default speed.
constexpr std::uint8_t kDefaultFAndD = 0x11;
// Serial-memory answers: the function is unavailable; 0x77 stands for "no operation".
constexpr std::uint8_t kNoOperation = 0x77;
// Card Command Simulation is served for the contact, key and serial-port destinations.
constexpr std::uint32_t kSimulationDestinations[] = {
    kDestinationKbx,   kDestinationExKbx,         kDestinationPortA,
    kDestinationPortB, kDestinationPortASendOnly, kDestinationPortBSendOnly,
};

using Reply = std::unique_ptr<CObjCommMessage>;

// A Process acknowledgement for one exchange that ended with `status`.
std::unique_ptr<CMsgProcess> ProcessAck(std::uint8_t status, std::uint32_t lastResult, CByteArray response,
                                        bool lengthFirst) {
    const bool timedOut = status == station::kCommunicationTimeout;
    const std::uint32_t returnCode = status == 0 ? 0 : lastResult;
    return std::make_unique<CMsgProcess>(timedOut, returnCode, std::move(response), lengthFirst, true);
}

// Check mode 2: the last two bytes of the response against the first two of the expectation.
// Either side shorter than two bytes has nothing to compare: a mismatch.
bool StatusWordMatches(const CByteArray& response, const CByteArray& expected) {
    if (response.size() < 2 || expected.size() < 2) {
        return false;
    }
    return response[response.size() - 2] == expected[0] && response[response.size() - 1] == expected[1];
}

}  // namespace

template <class Command, Reply (CStationCommandHandler::*Method)(const Command&)>
Reply CStationCommandHandler::Call(CStationCommandHandler& self, CObjCommResponse& command) {
    const auto* typed = dynamic_cast<const Command*>(&command);
    if (typed == nullptr) {
        return nullptr;
    }
    return (self.*Method)(*typed);
}

template <class Command, Reply (CStationCommandHandler::*Method)(const Command&)>
constexpr CStationCommandHandler::Route CStationCommandHandler::Serve() {
    return {CodeOf<Command>(), &Call<Command, Method>};
}

// The commands a key station answers. Every other one (serial port configuration, hardware
// version, message, station selection, type B, end of pass-through, key and device packets) has no
// answer. The health check and resend requests are handled before this table.
constexpr CStationCommandHandler::Route CStationCommandHandler::kRoutes[] = {
    Serve<CRspResetCard, &CStationCommandHandler::ResetCommand<CMsgResetCard, CRspResetCard, true, false>>(),
    Serve<CRspSetVoltage, &CStationCommandHandler::SetVoltage>(),
    Serve<CRspSetBaudRate, &CStationCommandHandler::SetBaudRate>(),
    Serve<CRspSetFrequency, &CStationCommandHandler::SetFrequency>(),
    Serve<CRspProcess, &CStationCommandHandler::Process>(),
    Serve<CRspEjectCard, &CStationCommandHandler::EjectCard>(),
    Serve<CRspQueryCard, &CStationCommandHandler::QueryCard>(),
    Serve<CRspSetNAD, &CStationCommandHandler::SetNad>(),
    Serve<CRspWarmReset, &CStationCommandHandler::ResetCommand<CMsgWarmReset, CRspWarmReset, false, false>>(),
    Serve<CRspBulkProcess, &CStationCommandHandler::BulkProcess>(),
    Serve<CRspSerialMemoryProcess, &CStationCommandHandler::SerialMemoryProcess>(),
    Serve<CRspBulkSerialProcess, &CStationCommandHandler::BulkSerialProcess>(),
    Serve<CRspResetCardWithPPS,
          &CStationCommandHandler::ResetCommand<CMsgResetCardWithPPS, CRspResetCardWithPPS, true, true>>(),
    Serve<CRspWarmResetWithPPS,
          &CStationCommandHandler::ResetCommand<CMsgWarmResetWithPPS, CRspWarmResetWithPPS, false, true>>(),
    Serve<CRspKeepAlive, &CStationCommandHandler::KeepAlive>(),
    Serve<CRspCardCommandSimulation, &CStationCommandHandler::CardCommandSimulation>(),
    Serve<CRspReaderAttribute, &CStationCommandHandler::ReaderAttribute>(),
    Serve<CRspSetCardType, &CStationCommandHandler::SetCardType>(),
    Serve<CRspSerialFlush, &CStationCommandHandler::Refuse<CMsgSerialFlush, CRspSerialFlush>>(),
    Serve<CRspPiccReset, &CStationCommandHandler::Refuse<CMsgPiccReset, CRspPiccReset, CByteArray>>(),
    Serve<CRspPiccIssuePPS, &CStationCommandHandler::Refuse<CMsgPiccIssuePPS, CRspPiccIssuePPS>>(),
    Serve<CRspPiccAntennaTuning,
          &CStationCommandHandler::Refuse<CMsgPiccAntennaTuning, CRspPiccAntennaTuning, std::uint32_t>>(),
    Serve<CRspSetKeys, &CStationCommandHandler::Refuse<CMsgSetKeys, CRspSetKeys>>(),
    Serve<CRspPiccAuthenticate,
          &CStationCommandHandler::Refuse<CMsgPiccAuthenticate, CRspPiccAuthenticate, CByteArray>>(),
    Serve<CRspPiccPower, &CStationCommandHandler::Refuse<CMsgPiccPower, CRspPiccPower>>(),
    Serve<CRspDiversifyKeys, &CStationCommandHandler::DiversifyKeys>(),
};

CStationCommandHandler::CStationCommandHandler(CPcscReader& reader, std::atomic<std::int32_t>& stopFlag,
                                               std::shared_ptr<const CCipherContext> cipher)
    : m_reader(reader), m_stopFlag(stopFlag), m_cipher(std::move(cipher)) {
    if (!m_cipher) {
        m_cipher = std::make_shared<const CCipherContext>(DevelopmentStationKey());
    }
}

Reply CStationCommandHandler::DispatchCommand(CObjCommResponse& command) {
    static_assert(HasUniqueCodes(kRoutes), "two routes for one command");
    const CommandCode code{command.GetCommand(), command.GetSubCommand()};
    if (code == CodeOf<CRspHealthCheck>()) {
        return std::make_unique<CMsgHealthCheck>(true, true);
    }
    if (code == CodeOf<CRspResend>()) {
        return Resend(command);
    }
    m_resendCount = 0;
    for (const Route& route : kRoutes) {
        if (route.code == code) {
            return route.handler(*this, command);
        }
    }
    return nullptr;  // key, object, device and error packets and the rest are not a station's business
}

Reply CStationCommandHandler::Resend(const CObjCommResponse& command) {
    ++m_resendCount;
    if (m_resendCount <= kMaxResends) {
        const auto* resend = dynamic_cast<const CRspResend*>(&command);
        if (resend == nullptr) {
            return nullptr;
        }
        return std::make_unique<CMsgResend>(static_cast<std::uint8_t>(resend->GetReserved()),
                                            static_cast<std::uint8_t>(resend->GetErrorCode()), true);
    }
    if (m_resendCount == kMaxResends + 1) {
        return std::make_unique<CMsgPassThroughModeFinish>(kFinishResendExceeded, true);
    }
    // The host keeps asking after being told the limit: this station gives up.
    m_stopFlag.fetch_add(1);
    m_resendCount = 0;
    return nullptr;
}

template <class Ack, bool Cold, bool WithPps>
Reply CStationCommandHandler::Reset() {
    std::uint8_t status = 0;
    if constexpr (Cold) {
        m_reader.Disconnect();
        Pause(kColdResetPauseMs);
        status = m_reader.Connect();
    } else {
        status = m_reader.Reconnect();
    }
    CByteArray atr;
    std::uint32_t returnCode = 0;
    if (status != 0) {
        returnCode = m_reader.GetLastResult();
    } else {
        m_reader.ResetTransmissionSettings();
        // A card that went between the connect and the status query: its failure, not success.
        if (m_reader.GetAtr(atr) != 0) {
            returnCode = m_reader.GetLastResult();
        }
    }
    if constexpr (WithPps) {
        return std::make_unique<Ack>(returnCode, kPpsFrequencyKhz, kPpsBaudRate, std::move(atr), true);
    } else {
        return std::make_unique<Ack>(returnCode, std::move(atr), true);
    }
}

Reply CStationCommandHandler::Process(const CRspProcess& command) {
    if (command.GetDestination() != kDestinationKbx) {
        return nullptr;
    }
    CByteArray response;
    const std::uint8_t status =
        m_reader.Transmit(static_cast<std::uint8_t>(command.GetApduCase()), command.GetData(), response);
    return ProcessAck(status, m_reader.GetLastResult(), std::move(response), false);
}

Reply CStationCommandHandler::BulkProcess(const CRspBulkProcess& command) {
    auto reply = std::make_unique<CMsgBulkProcess>(kBulkSuccess, true);
    ExecuteBulk(command, *reply, m_reader);
    return reply;
}

void CStationCommandHandler::ExecuteBulk(const CRspBulkProcess& command, CMsgBulkProcess& reply,
                                         CPcscReader& reader) {
    for (const CRCPtr<CBulkProcessCommand>& item : command.GetItems()) {
        const CRspProcess& process = *item->GetProcess();
        CByteArray response;
        const std::uint8_t status =
            reader.Transmit(static_cast<std::uint8_t>(process.GetApduCase()), process.GetData(), response);
        if (status != 0) {
            reply.Add(ProcessAck(status, reader.GetLastResult(), std::move(response), true));
            reply.SetStatus(kBulkFailed);
            return;
        }
        bool matches = true;
        switch (item->GetCheckMode()) {
            case CBulkProcessCommand::kCheckNothing:
                break;
            case CBulkProcessCommand::kCheckWholeResult:
                matches = response == item->GetExpectedResult();
                break;
            case CBulkProcessCommand::kCheckStatusWord:
                matches = StatusWordMatches(response, item->GetExpectedResult());
                break;
            default:
                continue;  // a check this station does not know: no result, on to the next item
        }
        reply.Add(ProcessAck(0, 0, std::move(response), true));
        if (!matches) {
            reply.SetStatus(kBulkFailed);
            return;
        }
    }
    reply.SetStatus(kBulkSuccess);
}

Reply CStationCommandHandler::SetVoltage(const CRspSetVoltage& /*command*/) {
    return std::make_unique<CMsgSetVoltage>(0, true);
}

Reply CStationCommandHandler::SetBaudRate(const CRspSetBaudRate& command) {
    if (command.IsPps()) {
        return std::make_unique<CMsgSetBaudRate>(0, kDefaultFAndD, kPpsBaudRate, true);
    }
    return std::make_unique<CMsgSetBaudRate>(0, std::uint8_t{0}, std::uint32_t{0}, true);
}

Reply CStationCommandHandler::SetFrequency(const CRspSetFrequency& /*command*/) {
    return std::make_unique<CMsgSetFrequency>(0, true);
}

Reply CStationCommandHandler::EjectCard(const CRspEjectCard& /*command*/) {
    m_reader.Disconnect();
    return std::make_unique<CMsgEjectCard>(0, true);
}

Reply CStationCommandHandler::QueryCard(const CRspQueryCard& /*command*/) {
    return std::make_unique<CMsgQueryCard>(m_reader.GetCardState(), true);
}

Reply CStationCommandHandler::SetNad(const CRspSetNAD& /*command*/) {
    return std::make_unique<CMsgSetNAD>(true);
}

Reply CStationCommandHandler::SerialMemoryProcess(const CRspSerialMemoryProcess& command) {
    const std::uint8_t operation = command.GetOperation() ? command.GetOperationCode() : kNoOperation;
    auto result = std::make_shared<CSerialMemoryResult>(
        kSmFunctionUnavailable, 0, static_cast<std::uint8_t>(command.GetChipType()), operation);
    return std::make_unique<CMsgSerialMemoryProcess>(std::move(result), true);
}

Reply CStationCommandHandler::BulkSerialProcess(const CRspBulkSerialProcess& /*command*/) {
    return std::make_unique<CMsgBulkSerialProcess>(kBulkSerialUnavailable, true);
}

Reply CStationCommandHandler::KeepAlive(const CRspKeepAlive& /*command*/) {
    return std::make_unique<CMsgKeepAlive>(true);
}

Reply CStationCommandHandler::CardCommandSimulation(const CRspCardCommandSimulation& command) {
    const bool served = std::find(std::begin(kSimulationDestinations), std::end(kSimulationDestinations),
                                  command.GetDestination()) != std::end(kSimulationDestinations);
    if (!served) {
        return std::make_unique<CMsgCardCommandSimulation>(false, kNotServed, CByteArray(), true);
    }
    CByteArray zeros(command.GetRequestedLength(), 0);
    Pause(command.GetDelayTime());
    return std::make_unique<CMsgCardCommandSimulation>(false, 0, std::move(zeros), true);
}

Reply CStationCommandHandler::ReaderAttribute(const CRspReaderAttribute& command) {
    return AnswerReaderAttribute(command, m_reader);
}

Reply CStationCommandHandler::SetCardType(const CRspSetCardType& command) {
    return std::make_unique<CMsgSetCardType>(
        command.GetCardType() == CRspSetCardType::kContactCard ? 0 : kNotServed, true);
}

Reply CStationCommandHandler::DiversifyKeys(const CRspDiversifyKeys& /*command*/) {
    return std::make_unique<CMsgDiversifyKeys>(kNotServed, CByteArray(), *m_cipher, true);
}

void CStationCommandHandler::Pause(std::uint32_t milliseconds) const {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    constexpr auto kSlice = std::chrono::milliseconds(50);
    while (m_stopFlag.load() == 0) {
        const Clock::time_point now = Clock::now();
        if (now >= end) {
            return;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(end - now, kSlice));
    }
}

}  // namespace tessaly
