// Executes one pass-through command of a card job on the reader its destination names and makes the
// acknowledgement. The table of sub-codes served lives in CommandExecutor.cpp; Process and Bulk
// Process are CProcessExecutor's, the contactless commands CContactlessCommands'. Keeps no state of
// its own: the card type, key table and transmission settings it changes belong to the job's readers.
#pragma once

#include <cstdint>
#include <memory>

#include "driver/ContactlessCommands.h"
#include "driver/JobReaders.h"
#include "driver/ProcessExecutor.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/incoming/contact/BaudRateCommand.h"
#include "protocol/incoming/contact/CardSimulationCommand.h"
#include "protocol/incoming/contact/DestinationCommands.h"
#include "protocol/incoming/contact/PpsResetCommands.h"
#include "protocol/incoming/contact/ReaderAttribute.h"
#include "protocol/incoming/contact/ResetCommands.h"
#include "protocol/incoming/contact/SerialPortCommands.h"
#include "protocol/incoming/contact/StationCommands.h"
#include "protocol/serialmemory/SerialMemoryCommands.h"

namespace tessaly {

class CCommandExecutor {
public:
    using Reply = std::unique_ptr<CObjCommMessage>;

    // Cold resets leave the card unpowered this long before connecting again.
    static constexpr int kColdResetPauseMs = 500;
    // What the reset-with-PPS answers report, whatever was asked.
    static constexpr std::uint32_t kClockKhz = 3579;
    static constexpr std::uint32_t kBaudRate = 9600;

    CCommandExecutor(CJobReaders& readers, const CCipherContext* cipher)
        : m_readers(readers), m_process(readers, cipher), m_contactless(readers, cipher) {}

    // True for the sub-codes executed here (every one but Resend, Pass Through Complete and the
    // ones a programming station ignores).
    static bool Serves(int subCommand);
    // The acknowledgement of the command; null only for a command this table does not serve.
    Reply Execute(const CObjCommResponse& command);

private:
    using Handler = Reply (*)(CCommandExecutor& self, const CObjCommResponse& command);
    struct Route {
        int subCommand;
        Handler handler;
    };
    static const Route kRoutes[];

    // Calls `Method` of the part that serves `Command` (this executor, the Process executor or the
    // contactless commands) with the command as its own class.
    template <class Command, class Part, Reply (Part::*Method)(const Command&)>
    static Reply Call(CCommandExecutor& self, const CObjCommResponse& command);
    template <class Part>
    Part& PartOf();

    template <class Ack, bool Cold, bool WithPps>
    Reply Reset(std::uint32_t destinationCode);
    template <class Ack, class Command, bool Cold, bool WithPps>
    Reply ResetCommand(const Command& command) {
        return Reset<Ack, Cold, WithPps>(command.GetDestination());
    }
    Reply EjectCard(const CRspEjectCard& command);
    Reply QueryCard(const CRspQueryCard& command);
    Reply SetVoltage(const CRspSetVoltage& command);
    Reply SetFrequency(const CRspSetFrequency& command);
    Reply SetNad(const CRspSetNAD& command);
    Reply SetBaudRate(const CRspSetBaudRate& command);
    Reply ConfigSerialPort(const CRspConfigSerialPort& command);
    Reply SerialFlush(const CRspSerialFlush& command);
    Reply GetHardwareVersion(const CRspGetHardwareVersion& command);
    Reply KeepAlive(const CRspKeepAlive& command);
    Reply CardCommandSimulation(const CRspCardCommandSimulation& command);
    Reply SerialMemoryProcess(const CRspSerialMemoryProcess& command);
    Reply BulkSerialProcess(const CRspBulkSerialProcess& command);
    Reply SetCardType(const CRspSetCardType& command);
    Reply ReaderAttribute(const CRspReaderAttribute& command);

    CJobReaders& m_readers;
    CProcessExecutor m_process;
    CContactlessCommands m_contactless;
};

}  // namespace tessaly
