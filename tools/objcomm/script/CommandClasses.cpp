#include "tools/objcomm/script/CommandClasses.h"

#include "protocol/serialmemory/SerialMemoryCommands.h"
#include "protocol/incoming/contact/BaudRateCommand.h"
#include "protocol/incoming/contact/BulkProcessCommand.h"
#include "protocol/incoming/contact/CardSimulationCommand.h"
#include "protocol/incoming/contact/DestinationCommands.h"
#include "protocol/incoming/contact/PpsResetCommands.h"
#include "protocol/incoming/contact/ProcessCommand.h"
#include "protocol/incoming/contact/ProtocolReplies.h"
#include "protocol/incoming/contact/ReaderAttribute.h"
#include "protocol/incoming/contact/ResetCommands.h"
#include "protocol/incoming/contact/SerialPortCommands.h"
#include "protocol/incoming/contact/StationCommands.h"
#include "protocol/incoming/contactless/DeviceReplies.h"
#include "protocol/incoming/contactless/KeyStationCommands.h"
#include "protocol/incoming/contactless/OperatorMessage.h"
#include "protocol/incoming/contactless/PassThroughEnd.h"
#include "protocol/incoming/contactless/PiccCommands.h"
#include "protocol/incoming/contactless/TypeBCommands.h"
#include "protocol/outgoing/ContactlessAcks.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "protocol/outgoing/RegistrationMessages.h"
#include "protocol/outgoing/ResetAcks.h"
#include "protocol/outgoing/SerialMemoryAcks.h"
#include "protocol/outgoing/SimpleAcks.h"
#include "protocol/outgoing/StationAcks.h"

namespace tessaly::tools {
namespace {

// The names and codes come from the classes themselves.
template <class T>
constexpr CommandClass Entry() {
    return {T::kClassName, static_cast<std::uint8_t>(T::kCommand), T::kSubCommand};
}

constexpr CommandClass kIncoming[] = {
    Entry<CRspKeyRequest>(),
    Entry<CRspKeyStore>(),
    Entry<CRspObjectRequest>(),
    Entry<CRspObjectDataLoading>(),
    Entry<CRspRegisterDevice>(),
    Entry<CRspRequestDeviceName>(),
    Entry<CRspAuthenticateClient>(),
    Entry<CRspSetDeviceName>(),
    Entry<CRspHealthCheck>(),
    Entry<CRspError>(),
    Entry<CRspResetCard>(),
    Entry<CRspSetVoltage>(),
    Entry<CRspSetBaudRate>(),
    Entry<CRspSetFrequency>(),
    Entry<CRspProcess>(),
    Entry<CRspEjectCard>(),
    Entry<CRspQueryCard>(),
    Entry<CRspSetNAD>(),
    Entry<CRspConfigSerialPort>(),
    Entry<CRspGetHardwareVersion>(),
    Entry<CRspWarmReset>(),
    Entry<CRspBulkProcess>(),
    Entry<CRspSerialMemoryProcess>(),
    Entry<CRspBulkSerialProcess>(),
    Entry<CRspResetCardWithPPS>(),
    Entry<CRspResend>(),
    Entry<CRspWarmResetWithPPS>(),
    Entry<CRspKeepAlive>(),
    Entry<CRspCardCommandSimulation>(),
    Entry<CRspReaderAttribute>(),
    Entry<CRspSetCardType>(),
    Entry<CRspMessage>(),
    Entry<CRspSelectStation>(),
    Entry<CRspSerialFlush>(),
    Entry<CRspPiccReset>(),
    Entry<CRspPiccIssuePPS>(),
    Entry<CRspPiccAntennaTuning>(),
    Entry<CRspSetKeys>(),
    Entry<CRspPiccAuthenticate>(),
    Entry<CRspPiccPower>(),
    Entry<CRspDiversifyKeys>(),
    Entry<CRspReqb>(),
    Entry<CRspWupb>(),
    Entry<CRspAttrib>(),
    Entry<CRspHltb>(),
    Entry<CRspPassThroughModeComplete>(),
    Entry<CRspPassThroughModeFinish>(),
};

constexpr CommandClass kOutgoing[] = {
    Entry<CMsgTarnStartPassThroughMode>(),
    Entry<CMsgCorvidStartPassThroughMode>(),
    Entry<CMsgTerminateJob>(),
    Entry<CMsgResetCard>(),
    Entry<CMsgSetVoltage>(),
    Entry<CMsgSetBaudRate>(),
    Entry<CMsgSetFrequency>(),
    Entry<CMsgProcess>(),
    Entry<CMsgEjectCard>(),
    Entry<CMsgQueryCard>(),
    Entry<CMsgSetNAD>(),
    Entry<CMsgConfigSerialPort>(),
    Entry<CMsgGetHardwareVersion>(),
    Entry<CMsgWarmReset>(),
    Entry<CMsgBulkProcess>(),
    Entry<CMsgSerialMemoryProcess>(),
    Entry<CMsgBulkSerialProcess>(),
    Entry<CMsgResetCardWithPPS>(),
    Entry<CMsgResend>(),
    Entry<CMsgSetTimeoutValue>(),
    Entry<CMsgWarmResetWithPPS>(),
    Entry<CMsgKeepAlive>(),
    Entry<CMsgCardCommandSimulation>(),
    Entry<CMsgReaderAttribute>(),
    Entry<CMsgSetCardType>(),
    Entry<CMsgMessage>(),
    Entry<CMsgSerialFlush>(),
    Entry<CMsgPiccReset>(),
    Entry<CMsgPiccIssuePPS>(),
    Entry<CMsgPiccAntennaTuning>(),
    Entry<CMsgSetKeys>(),
    Entry<CMsgPiccAuthenticate>(),
    Entry<CMsgPiccPower>(),
    Entry<CMsgDiversifyKeys>(),
    Entry<CMsgPassThroughModeFinish>(),
    Entry<CMsgRegisterDevice>(),
    Entry<CMsgRequestDeviceName>(),
    Entry<CMsgSetDeviceName>(),
    Entry<CMsgHealthCheck>(),
};

const CommandClass* Find(std::span<const CommandClass> table, const std::string& name) {
    for (const CommandClass& entry : table) {
        if (name == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

std::span<const CommandClass> IncomingClasses() {
    return kIncoming;
}

std::span<const CommandClass> OutgoingClasses() {
    return kOutgoing;
}

const CommandClass* FindIncomingClass(const std::string& name) {
    return Find(kIncoming, name);
}

const CommandClass* FindOutgoingClass(const std::string& name) {
    return Find(kOutgoing, name);
}

}  // namespace tessaly::tools
