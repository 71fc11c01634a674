#include "keystations/StationCommands.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "keystations/ReaderAttributes.h"
#include "protocol/PacketFrame.h"
#include "protocol/outgoing/ContactlessAcks.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ResetAcks.h"
#include "protocol/outgoing/SerialMemoryAcks.h"
#include "protocol/outgoing/SimpleAcks.h"
#include "protocol/outgoing/StationAcks.h"

namespace tessaly {
namespace {

constexpr std::uint32_t kCommandHealthCheck = 0x99;
constexpr int kSubCommandResend = 0x10;
constexpr std::uint8_t kStatusTimedOut = 0x86;
constexpr std::uint32_t kCardTypeContact = 0x02;  // "ISO 7816-3, T=0/T=1"
// Issue PPS answer of a station that keeps its default speed.
constexpr std::uint8_t kDefaultFAndD = 0x11;
// Serial-memory answers: the function is unavailable; 0x77 stands for "no operation".
constexpr std::uint8_t kNoOperation = 0x77;
// Card Command Simulation is served for the contact, key and serial-port destinations.
constexpr std::uint32_t kSimulationDestinations[] = {0x58, 0x57, 0x80, 0x88, 0x81, 0x89};

using Reply = std::unique_ptr<CObjCommMessage>;

// A Process acknowledgement for one exchange that ended with `status`.
std::unique_ptr<CMsgProcess> ProcessAck(std::uint8_t status, std::uint32_t lastResult, CByteArray response,
                                        bool lengthFirst) {
    const bool timedOut = status == kStatusTimedOut;
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

template <class Command, Reply (CStationCommands::*Method)(const Command&)>
Reply CStationCommands::Call(CStationCommands& self, CObjCommResponse& command) {
    const auto* typed = dynamic_cast<const Command*>(&command);
    if (typed == nullptr) {
        return nullptr;
    }
    return (self.*Method)(*typed);
}

// Sub-commands a key station answers. Every other one (serial port configuration, hardware
// version, message, station selection, type B, end of pass-through) has no answer.
constexpr CStationCommands::Route CStationCommands::kRoutes[] = {
    {0x01, &Call<CRspResetCard, &CStationCommands::ResetCommand<CMsgResetCard, CRspResetCard, true, false>>},
    {0x02, &Call<CRspSetVoltage, &CStationCommands::SetVoltage>},
    {0x03, &Call<CRspSetBaudRate, &CStationCommands::SetBaudRate>},
    {0x04, &Call<CRspSetFrequency, &CStationCommands::SetFrequency>},
    {0x05, &Call<CRspProcess, &CStationCommands::Process>},
    {0x06, &Call<CRspEjectCard, &CStationCommands::EjectCard>},
    {0x07, &Call<CRspQueryCard, &CStationCommands::QueryCard>},
    {0x08, &Call<CRspSetNAD, &CStationCommands::SetNad>},
    {0x0B, &Call<CRspWarmReset, &CStationCommands::ResetCommand<CMsgWarmReset, CRspWarmReset, false, false>>},
    {0x0C, &Call<CRspBulkProcess, &CStationCommands::BulkProcess>},
    {0x0D, &Call<CRspSerialMemoryProcess, &CStationCommands::SerialMemoryProcess>},
    {0x0E, &Call<CRspBulkSerialProcess, &CStationCommands::BulkSerialProcess>},
    {0x0F, &Call<CRspResetCardWithPPS,
                 &CStationCommands::ResetCommand<CMsgResetCardWithPPS, CRspResetCardWithPPS, true, true>>},
    {0x12, &Call<CRspWarmResetWithPPS,
                 &CStationCommands::ResetCommand<CMsgWarmResetWithPPS, CRspWarmResetWithPPS, false, true>>},
    {0x13, &Call<CRspKeepAlive, &CStationCommands::KeepAlive>},
    {0x15, &Call<CRspCardCommandSimulation, &CStationCommands::CardCommandSimulation>},
    {0x16, &Call<CRspReaderAttribute, &CStationCommands::ReaderAttribute>},
    {0x17, &Call<CRspSetCardType, &CStationCommands::SetCardType>},
    {0x22,
     [](CStationCommands&,
        CObjCommResponse&) -> Reply { return std::make_unique<CMsgSerialFlush>(kNotServed, true); }},
    {0x30,
     [](CStationCommands&, CObjCommResponse&)
         -> Reply { return std::make_unique<CMsgPiccReset>(kNotServed, CByteArray(), true); }},
    {0x31,
     [](CStationCommands&,
        CObjCommResponse&) -> Reply { return std::make_unique<CMsgPiccIssuePPS>(kNotServed, true); }},
    {0x32,
     [](CStationCommands&,
        CObjCommResponse&) -> Reply { return std::make_unique<CMsgPiccAntennaTuning>(kNotServed, 0, true); }},
    {0x33,
     [](CStationCommands&,
        CObjCommResponse&) -> Reply { return std::make_unique<CMsgSetKeys>(kNotServed, true); }},
    {0x34,
     [](CStationCommands&, CObjCommResponse&)
         -> Reply { return std::make_unique<CMsgPiccAuthenticate>(kNotServed, CByteArray(), true); }},
    {0x35,
     [](CStationCommands&,
        CObjCommResponse&) -> Reply { return std::make_unique<CMsgPiccPower>(kNotServed, true); }},
    {0x36, [](CStationCommands& self, CObjCommResponse& command) { return self.DiversifyKeys(command); }},
};

CStationCommands::CStationCommands(CPcscReader& reader, std::atomic<std::int32_t>& stopFlag,
                                   std::shared_ptr<const CCipherContext> cipher)
    : m_reader(reader), m_stopFlag(stopFlag), m_cipher(std::move(cipher)) {
    if (!m_cipher) {
        m_cipher = std::make_shared<const CCipherContext>(DevelopmentStationKey());
    }
}

Reply CStationCommands::DispatchCommand(CObjCommResponse& command) {
    if (command.GetCommand() == kCommandHealthCheck) {
        return std::make_unique<CMsgHealthCheck>(true, true);
    }
    if (command.GetCommand() == kCommandPassThrough && command.GetSubCommand() == kSubCommandResend) {
        return Resend(command);
    }
    m_resendCount = 0;
    if (command.GetCommand() != kCommandPassThrough) {
        return nullptr;  // key, object, device and error packets are not a station's business
    }
    for (const Route& route : kRoutes) {
        if (route.subCommand == command.GetSubCommand()) {
            return route.handler(*this, command);
        }
    }
    return nullptr;
}

Reply CStationCommands::Resend(const CObjCommResponse& command) {
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

template <class Ack, bool kCold, bool kWithPps>
Reply CStationCommands::Reset() {
    std::uint8_t status = 0;
    if constexpr (kCold) {
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
    if constexpr (kWithPps) {
        return std::make_unique<Ack>(returnCode, kPpsFrequencyKhz, kPpsBaudRate, std::move(atr), true);
    } else {
        return std::make_unique<Ack>(returnCode, std::move(atr), true);
    }
}

Reply CStationCommands::Process(const CRspProcess& command) {
    if (command.GetDestination() != kDestinationKbx) {
        return nullptr;
    }
    CByteArray response;
    const std::uint8_t status =
        m_reader.Transmit(static_cast<std::uint8_t>(command.GetApduCase()), command.GetData(), response);
    return ProcessAck(status, m_reader.GetLastResult(), std::move(response), false);
}

Reply CStationCommands::BulkProcess(const CRspBulkProcess& command) {
    auto reply = std::make_unique<CMsgBulkProcess>(kBulkSuccess, true);
    ExecuteBulk(command, *reply, m_reader);
    return reply;
}

void CStationCommands::ExecuteBulk(const CRspBulkProcess& command, CMsgBulkProcess& reply,
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

Reply CStationCommands::SetVoltage(const CRspSetVoltage& /*command*/) {
    return std::make_unique<CMsgSetVoltage>(0, true);
}

Reply CStationCommands::SetBaudRate(const CRspSetBaudRate& command) {
    if (command.IsPps()) {
        return std::make_unique<CMsgSetBaudRate>(0, kDefaultFAndD, kPpsBaudRate, true);
    }
    return std::make_unique<CMsgSetBaudRate>(0, std::uint8_t{0}, std::uint32_t{0}, true);
}

Reply CStationCommands::SetFrequency(const CRspSetFrequency& /*command*/) {
    return std::make_unique<CMsgSetFrequency>(0, true);
}

Reply CStationCommands::EjectCard(const CRspEjectCard& /*command*/) {
    m_reader.Disconnect();
    return std::make_unique<CMsgEjectCard>(0, true);
}

Reply CStationCommands::QueryCard(const CRspQueryCard& /*command*/) {
    return std::make_unique<CMsgQueryCard>(m_reader.GetCardState(), true);
}

Reply CStationCommands::SetNad(const CRspSetNAD& /*command*/) {
    return std::make_unique<CMsgSetNAD>(true);
}

Reply CStationCommands::SerialMemoryProcess(const CRspSerialMemoryProcess& command) {
    const std::uint8_t operation = command.GetOperation() ? command.GetOperationCode() : kNoOperation;
    auto result = std::make_shared<CSerialMemoryResult>(
        kSmFunctionUnavailable, 0, static_cast<std::uint8_t>(command.GetChipType()), operation);
    return std::make_unique<CMsgSerialMemoryProcess>(std::move(result), true);
}

Reply CStationCommands::BulkSerialProcess(const CRspBulkSerialProcess& /*command*/) {
    return std::make_unique<CMsgBulkSerialProcess>(kBulkSerialUnavailable, true);
}

Reply CStationCommands::KeepAlive(const CRspKeepAlive& /*command*/) {
    return std::make_unique<CMsgKeepAlive>(true);
}

Reply CStationCommands::CardCommandSimulation(const CRspCardCommandSimulation& command) {
    const bool served = std::find(std::begin(kSimulationDestinations), std::end(kSimulationDestinations),
                                  command.GetDestination()) != std::end(kSimulationDestinations);
    if (!served) {
        return std::make_unique<CMsgCardCommandSimulation>(false, kNotServed, CByteArray(), true);
    }
    CByteArray zeros(command.GetRequestedLength(), 0);
    Pause(command.GetDelayTime());
    return std::make_unique<CMsgCardCommandSimulation>(false, 0, std::move(zeros), true);
}

Reply CStationCommands::ReaderAttribute(const CRspReaderAttribute& command) {
    return AnswerReaderAttribute(command, m_reader);
}

Reply CStationCommands::SetCardType(const CRspSetCardType& command) {
    return std::make_unique<CMsgSetCardType>(command.GetCardType() == kCardTypeContact ? 0 : kNotServed,
                                             true);
}

Reply CStationCommands::DiversifyKeys(const CObjCommResponse& /*command*/) {
    return std::make_unique<CMsgDiversifyKeys>(kNotServed, CByteArray(), *m_cipher, true);
}

void CStationCommands::Pause(std::uint32_t milliseconds) const {
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
