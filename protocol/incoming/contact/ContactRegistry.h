// The contact-card and station classes the factory makes.
#pragma once

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

inline constexpr ResponseRow kContactResponses[] = {
    Response<CRspResetCard>(),
    Response<CRspSetVoltage>(),
    Response<CRspSetBaudRate>(),
    Response<CRspSetFrequency>(),
    Response<CRspProcess>(),
    Response<CRspEjectCard>(),
    Response<CRspQueryCard>(),
    Response<CRspSetNAD>(),
    Response<CRspConfigSerialPort>(),
    Response<CRspGetHardwareVersion>(),
    Response<CRspWarmReset>(),
    Response<CRspBulkProcess>(),
    Response<CRspResetCardWithPPS>(),
    Response<CRspResend>(),
    Response<CRspWarmResetWithPPS>(),
    Response<CRspKeepAlive>(),
    Response<CRspCardCommandSimulation>(),
    Response<CRspReaderAttribute>(),
    Response<CRspSetCardType>(),
    Response<CRspSelectStation>(),
    Response<CRspSerialFlush>(),
    ResponseWithForm<CRspHealthCheck>(),
    ResponseWithForm<CRspError>(),
};

}  // namespace tessaly
