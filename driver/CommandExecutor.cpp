#include "driver/CommandExecutor.h"

#include <chrono>
#include <thread>
#include <type_traits>

#include "cardaccess/ReaderErrors.h"
#include "common/Format.h"
#include "driver/QuorlinLog.h"
#include "driver/ReaderAttributeAnswer.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/ResetAcks.h"
#include "protocol/outgoing/SerialMemoryAcks.h"
#include "protocol/outgoing/SimpleAcks.h"
#include "protocol/outgoing/StationAcks.h"

namespace tessaly {
namespace {

constexpr std::uint32_t kNoCardAcceptor = 0x0F;  // Query Card without a reader
constexpr std::uint8_t kPpsFAndD = 0x11;
constexpr std::uint8_t kNoOperation = 0x77;  // serial memory: the command holds no operation

struct AcceptedCardType {
    std::uint8_t readerKind;
    std::uint32_t cardType;
};
// Card types Set Card Type switches to, by reader kind. FeliCa (0x48) and the serial-memory types
// are never accepted.
constexpr AcceptedCardType kAcceptedCardTypes[] = {
    {reader_kind::kContact, card_type::kContact},
    {reader_kind::kContactless, card_type::kMifare},
    {reader_kind::kContactless, card_type::kIso14443A},
    {reader_kind::kContactless, card_type::kIso14443B},
    {reader_kind::kContactless, card_type::kIso14443Both},
    {reader_kind::kContactless, 0x38},
    {reader_kind::kContactless, 0x89},
    {reader_kind::kContactless, 0x39},
};

}  // namespace

template <class Part>
Part& CCommandExecutor::PartOf() {
    if constexpr (std::is_same_v<Part, CProcessExecutor>) {
        return m_process;
    } else if constexpr (std::is_same_v<Part, CContactlessCommands>) {
        return m_contactless;
    } else {
        return *this;
    }
}

template <class Command, class Part, CCommandExecutor::Reply (Part::*Method)(const Command&)>
CCommandExecutor::Reply CCommandExecutor::Call(CCommandExecutor& self, const CObjCommResponse& command) {
    const auto* typed = dynamic_cast<const Command*>(&command);
    if (typed == nullptr) {
        return nullptr;
    }
    return (self.PartOf<Part>().*Method)(*typed);
}

using CExecutor = CCommandExecutor;
using CProcess = CProcessExecutor;
using CPicc = CContactlessCommands;

constexpr CCommandExecutor::Route CCommandExecutor::kRoutes[] = {
    {0x01,
     &Call<CRspResetCard, CExecutor, &CExecutor::ResetCommand<CMsgResetCard, CRspResetCard, true, false>>},
    {0x02, &Call<CRspSetVoltage, CExecutor, &CExecutor::SetVoltage>},
    {0x03, &Call<CRspSetBaudRate, CExecutor, &CExecutor::SetBaudRate>},
    {0x04, &Call<CRspSetFrequency, CExecutor, &CExecutor::SetFrequency>},
    {0x05, &Call<CRspProcess, CProcess, &CProcess::Process>},
    {0x06, &Call<CRspEjectCard, CExecutor, &CExecutor::EjectCard>},
    {0x07, &Call<CRspQueryCard, CExecutor, &CExecutor::QueryCard>},
    {0x08, &Call<CRspSetNAD, CExecutor, &CExecutor::SetNad>},
    {0x09, &Call<CRspConfigSerialPort, CExecutor, &CExecutor::ConfigSerialPort>},
    {0x0A, &Call<CRspGetHardwareVersion, CExecutor, &CExecutor::GetHardwareVersion>},
    {0x0B,
     &Call<CRspWarmReset, CExecutor, &CExecutor::ResetCommand<CMsgWarmReset, CRspWarmReset, false, false>>},
    {0x0C, &Call<CRspBulkProcess, CProcess, &CProcess::BulkProcess>},
    {0x0D, &Call<CRspSerialMemoryProcess, CExecutor, &CExecutor::SerialMemoryProcess>},
    {0x0E, &Call<CRspBulkSerialProcess, CExecutor, &CExecutor::BulkSerialProcess>},
    {0x0F, &Call<CRspResetCardWithPPS, CExecutor,
                 &CExecutor::ResetCommand<CMsgResetCardWithPPS, CRspResetCardWithPPS, true, true>>},
    {0x12, &Call<CRspWarmResetWithPPS, CExecutor,
                 &CExecutor::ResetCommand<CMsgWarmResetWithPPS, CRspWarmResetWithPPS, false, true>>},
    {0x13, &Call<CRspKeepAlive, CExecutor, &CExecutor::KeepAlive>},
    {0x15, &Call<CRspCardCommandSimulation, CExecutor, &CExecutor::CardCommandSimulation>},
    {0x16, &Call<CRspReaderAttribute, CExecutor, &CExecutor::ReaderAttribute>},
    {0x17, &Call<CRspSetCardType, CExecutor, &CExecutor::SetCardType>},
    {0x22, &Call<CRspSerialFlush, CExecutor, &CExecutor::SerialFlush>},
    {0x30, &Call<CRspPiccReset, CPicc, &CPicc::PiccReset>},
    {0x31, &Call<CRspPiccIssuePPS, CPicc, &CPicc::PiccIssuePps>},
    {0x32, &Call<CRspPiccAntennaTuning, CPicc, &CPicc::PiccAntennaTuning>},
    {0x33, &Call<CRspSetKeys, CPicc, &CPicc::SetKeys>},
    {0x34, &Call<CRspPiccAuthenticate, CPicc, &CPicc::PiccAuthenticate>},
    {0x35, &Call<CRspPiccPower, CPicc, &CPicc::PiccPower>},
    {0x36, &Call<CRspDiversifyKeys, CPicc, &CPicc::DiversifyKeys>},
};

bool CCommandExecutor::Serves(int subCommand) {
    for (const Route& route : kRoutes) {
        if (route.subCommand == subCommand) {
            return true;
        }
    }
    return false;
}

CCommandExecutor::Reply CCommandExecutor::Execute(const CObjCommResponse& command) {
    for (const Route& route : kRoutes) {
        if (route.subCommand == command.GetSubCommand()) {
            return route.handler(*this, command);
        }
    }
    return nullptr;
}

template <class Ack, bool Cold, bool WithPps>
CCommandExecutor::Reply CCommandExecutor::Reset(std::uint32_t destinationCode) {
    CByteArray atr;
    std::uint32_t returnCode = station::kInvalidDestination;
    if (CPcscReader* reader = m_readers.SelectDestinationReader(destinationCode)) {
        std::uint8_t code = 0;
        if constexpr (Cold) {
            reader->Disconnect();
            std::this_thread::sleep_for(std::chrono::milliseconds(kColdResetPauseMs));
            code = reader->Connect();
        } else {
            code = reader->Reconnect();
        }
        returnCode = 0;
        if (code != station::kSuccess) {
            returnCode = reader->GetLastResult();
        } else {
            // A card that went between the connect and the status query: its failure, not success.
            if (reader->GetAtr(atr) != station::kSuccess) {
                returnCode = reader->GetLastResult();
            }
            reader->ResetTransmissionSettings();
        }
    }
    if constexpr (WithPps) {
        return std::make_unique<Ack>(returnCode, kClockKhz, kBaudRate, std::move(atr), true);
    } else {
        return std::make_unique<Ack>(returnCode, std::move(atr), true);
    }
}

CCommandExecutor::Reply CCommandExecutor::EjectCard(const CRspEjectCard& command) {
    CPcscReader* reader = m_readers.SelectDestinationReader(command.GetDestination());
    if (reader == nullptr) {
        return std::make_unique<CMsgEjectCard>(station::kInvalidDestination, true);
    }
    reader->Disconnect();
    return std::make_unique<CMsgEjectCard>(0, true);
}

CCommandExecutor::Reply CCommandExecutor::QueryCard(const CRspQueryCard& command) {
    CPcscReader* reader = m_readers.SelectDestinationReader(command.GetDestination());
    return std::make_unique<CMsgQueryCard>(reader != nullptr ? reader->GetCardState() : kNoCardAcceptor,
                                           true);
}

CCommandExecutor::Reply CCommandExecutor::SetVoltage(const CRspSetVoltage& /*command*/) {
    return std::make_unique<CMsgSetVoltage>(0, true);
}

CCommandExecutor::Reply CCommandExecutor::SetFrequency(const CRspSetFrequency& /*command*/) {
    return std::make_unique<CMsgSetFrequency>(0, true);
}

CCommandExecutor::Reply CCommandExecutor::SetNad(const CRspSetNAD& /*command*/) {
    return std::make_unique<CMsgSetNAD>(true);
}

CCommandExecutor::Reply CCommandExecutor::SetBaudRate(const CRspSetBaudRate& command) {
    if (command.IsPps()) {
        return std::make_unique<CMsgSetBaudRate>(0, kPpsFAndD, kBaudRate, true);
    }
    return std::make_unique<CMsgSetBaudRate>(0, std::uint8_t{0}, std::uint32_t{0}, true);
}

CCommandExecutor::Reply CCommandExecutor::ConfigSerialPort(const CRspConfigSerialPort& /*command*/) {
    return std::make_unique<CMsgConfigSerialPort>(station::kInvalidDestination, true);
}

CCommandExecutor::Reply CCommandExecutor::SerialFlush(const CRspSerialFlush& /*command*/) {
    return std::make_unique<CMsgSerialFlush>(station::kInvalidDestination, true);
}

CCommandExecutor::Reply CCommandExecutor::GetHardwareVersion(const CRspGetHardwareVersion& /*command*/) {
    return std::make_unique<CMsgGetHardwareVersion>(m_readers.ReaderKind(), true);
}

CCommandExecutor::Reply CCommandExecutor::KeepAlive(const CRspKeepAlive& /*command*/) {
    return std::make_unique<CMsgKeepAlive>(true);
}

CCommandExecutor::Reply CCommandExecutor::CardCommandSimulation(const CRspCardCommandSimulation& command) {
    CByteArray zeros(command.GetRequestedLength(), 0);
    if (command.GetDelayTime() != 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(command.GetDelayTime()));
    }
    return std::make_unique<CMsgCardCommandSimulation>(false, 0, std::move(zeros), true);
}

CCommandExecutor::Reply CCommandExecutor::SerialMemoryProcess(const CRspSerialMemoryProcess& command) {
    const std::uint8_t operation = command.GetOperation() ? command.GetOperationCode() : kNoOperation;
    auto result = std::make_shared<CSerialMemoryResult>(
        kSmFunctionUnavailable, 0, static_cast<std::uint8_t>(command.GetChipType()), operation);
    return std::make_unique<CMsgSerialMemoryProcess>(std::move(result), true);
}

CCommandExecutor::Reply CCommandExecutor::BulkSerialProcess(const CRspBulkSerialProcess& /*command*/) {
    return std::make_unique<CMsgBulkSerialProcess>(kBulkSerialUnavailable, true);
}

CCommandExecutor::Reply CCommandExecutor::SetCardType(const CRspSetCardType& command) {
    const std::uint32_t type = command.GetCardType();
    if (type == m_readers.CardType()) {
        return std::make_unique<CMsgSetCardType>(0, true);
    }
    bool accepted = false;
    for (const AcceptedCardType& entry : kAcceptedCardTypes) {
        accepted = accepted || (entry.readerKind == m_readers.ReaderKind() && entry.cardType == type);
    }
    if (!accepted) {
        return std::make_unique<CMsgSetCardType>(station::kInvalidDestination, true);
    }
    m_readers.SetCardType(type);
    CPcscReader& reader = m_readers.Selected();
    reader.Disconnect();
    std::uint32_t status = 0;
    if (reader.Connect() != station::kSuccess) {
        LogError(__LINE__,
                 FormatText("Connect to station failed with = %ld [%s]", SignedResult(reader.GetLastResult()),
                            reader.GetLastErrorText().c_str()));
        status = reader.GetLastResult();
    }
    reader.ResetTransmissionSettings();
    return std::make_unique<CMsgSetCardType>(status, true);
}

CCommandExecutor::Reply CCommandExecutor::ReaderAttribute(const CRspReaderAttribute& command) {
    return AnswerReaderAttribute(command, m_readers);
}

}  // namespace tessaly
