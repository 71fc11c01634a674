// Which class each contact-card and station code makes.
#include "protocol/ResponseRegistry.h"
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

namespace tessaly {
namespace {

template <class T>
std::unique_ptr<CObjCommResponse> MakeWithForm(CInBinaryString& body, const ResponseContext& context) {
    return std::make_unique<T>(body, context.extended, context.longForm);
}

constexpr ResponseEntry kContactSubCommands[] = {
    {0x01, &MakeResponse<CRspResetCard>},
    {0x02, &MakeResponse<CRspSetVoltage>},
    {0x03, &MakeResponse<CRspSetBaudRate>},
    {0x04, &MakeResponse<CRspSetFrequency>},
    {0x05, &MakeResponse<CRspProcess>},
    {0x06, &MakeResponse<CRspEjectCard>},
    {0x07, &MakeResponse<CRspQueryCard>},
    {0x08, &MakeResponse<CRspSetNAD>},
    {0x09, &MakeResponse<CRspConfigSerialPort>},
    {0x0A, &MakeResponse<CRspGetHardwareVersion>},
    {0x0B, &MakeResponse<CRspWarmReset>},
    {0x0C, &MakeResponse<CRspBulkProcess>},
    {0x0F, &MakeResponse<CRspResetCardWithPPS>},
    {0x10, &MakeResponse<CRspResend>},
    {0x12, &MakeResponse<CRspWarmResetWithPPS>},
    {0x13, &MakeResponse<CRspKeepAlive>},
    {0x15, &MakeResponse<CRspCardCommandSimulation>},
    {0x16, &MakeResponse<CRspReaderAttribute>},
    {0x17, &MakeResponse<CRspSetCardType>},
    {0x21, &MakeResponse<CRspSelectStation>},
    {0x22, &MakeResponse<CRspSerialFlush>},
};

constexpr ResponseEntry kContactCommands[] = {
    {0x99, &MakeWithForm<CRspHealthCheck>},
    {0xFF, &MakeWithForm<CRspError>},
};

}  // namespace

std::span<const ResponseEntry> ContactSubCommands() {
    return kContactSubCommands;
}
std::span<const ResponseEntry> ContactCommands() {
    return kContactCommands;
}

}  // namespace tessaly
