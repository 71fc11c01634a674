#include "protocol/outgoing/MessageDecoder.h"

#include <new>

#include "protocol/CommandCode.h"
#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/ContactlessAcks.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "protocol/outgoing/RegistrationMessages.h"
#include "protocol/outgoing/ResetAcks.h"
#include "protocol/outgoing/SerialMemoryAcks.h"
#include "protocol/outgoing/SimpleAcks.h"
#include "protocol/outgoing/StationAcks.h"

namespace tessaly {
namespace {

struct MessageContext {
    bool extended;
    bool longForm;
};
using MessageCreator = std::unique_ptr<CObjCommMessage> (*)(CInBinaryString& body,
                                                            const MessageContext& context);

struct MessageRow {
    CommandCode code;
    MessageCreator create;
};

template <class T>
std::unique_ptr<CObjCommMessage> Make(CInBinaryString& body, const MessageContext& context) {
    return std::make_unique<T>(body, context.extended);
}

template <class T>
constexpr MessageRow Message() {
    return {CodeOf<T>(), &Make<T>};
}

// The message when the whole body reads as T; otherwise null, with the read position restored.
template <class T>
std::unique_ptr<CObjCommMessage> MakeIfWhole(CInBinaryString& body, const MessageContext& context) {
    const std::int32_t start = body.Position();
    try {
        auto message = std::make_unique<T>(body, context.extended);
        if (body.Remaining() == 0) {
            return message;
        }
    } catch (const CInBinaryStringException&) {
    } catch (const CPassThruParseError&) {
    }
    body.SetPosition(start);
    return nullptr;
}

// Sub-code 0x00: terminate job, Tarn start or Corvid start, by the second text.
std::unique_ptr<CObjCommMessage> MakeStart(CInBinaryString& body, const MessageContext& context) {
    const std::int32_t start = body.Position();
    (void)body.ReadString(LengthPrefix::TwoBytes);
    const CString second = body.ReadString(LengthPrefix::TwoBytes);
    body.SetPosition(start);
    std::unique_ptr<CObjCommMessage> message;
    if (second == "TERMINATE") {
        message = MakeIfWhole<CMsgTerminateJob>(body, context);
    } else if (second == "CONTROLLER") {
        message = MakeIfWhole<CMsgTarnStartPassThroughMode>(body, context);
    }
    if (!message) {
        message = std::make_unique<CMsgCorvidStartPassThroughMode>(body, context.extended);
    }
    return message;
}

std::unique_ptr<CObjCommMessage> MakeProcess(CInBinaryString& body, const MessageContext& context) {
    const bool lengthFirst = CMsgProcess::IsLengthFirstBody(body, context.extended);
    return std::make_unique<CMsgProcess>(body, context.extended, lengthFirst);
}

std::unique_ptr<CObjCommMessage> MakeHealthCheck(CInBinaryString& body, const MessageContext& context) {
    return std::make_unique<CMsgHealthCheck>(body, context.extended, context.longForm);
}

constexpr MessageRow kMessages[] = {
    {CodeOf<CMsgCorvidStartPassThroughMode>(), &MakeStart},
    Message<CMsgResetCard>(),
    Message<CMsgSetVoltage>(),
    Message<CMsgSetBaudRate>(),
    Message<CMsgSetFrequency>(),
    {CodeOf<CMsgProcess>(), &MakeProcess},
    Message<CMsgEjectCard>(),
    Message<CMsgQueryCard>(),
    Message<CMsgSetNAD>(),
    Message<CMsgConfigSerialPort>(),
    Message<CMsgGetHardwareVersion>(),
    Message<CMsgWarmReset>(),
    Message<CMsgBulkProcess>(),
    Message<CMsgSerialMemoryProcess>(),
    Message<CMsgBulkSerialProcess>(),
    Message<CMsgResetCardWithPPS>(),
    Message<CMsgResend>(),
    Message<CMsgSetTimeoutValue>(),
    Message<CMsgWarmResetWithPPS>(),
    Message<CMsgKeepAlive>(),
    Message<CMsgCardCommandSimulation>(),
    Message<CMsgReaderAttribute>(),
    Message<CMsgSetCardType>(),
    Message<CMsgMessage>(),
    Message<CMsgSerialFlush>(),
    Message<CMsgPiccReset>(),
    Message<CMsgPiccIssuePPS>(),
    Message<CMsgPiccAntennaTuning>(),
    Message<CMsgSetKeys>(),
    Message<CMsgPiccAuthenticate>(),
    Message<CMsgPiccPower>(),
    Message<CMsgDiversifyKeys>(),
    Message<CMsgPassThroughModeFinish>(),
    Message<CMsgRegisterDevice>(),
    Message<CMsgRequestDeviceName>(),
    Message<CMsgSetDeviceName>(),
    {CodeOf<CMsgHealthCheck>(), &MakeHealthCheck},
};
static_assert(HasUniqueCodes(kMessages), "two outgoing classes claim the same code");

constexpr CCodeIndex<MessageCreator> kMessageIndex(kMessages);

}  // namespace

std::unique_ptr<CObjCommMessage> CreateMessageFromPacket(CInBinaryString& packet,
                                                         std::uint32_t& transactionNumber, bool extended) {
    transactionNumber = 0;
    PacketFrame frame = ReadPacketFrame(packet);
    CInBinaryString& payload = frame.payload;
    const std::uint8_t command = frame.command;

    const MessageContext context{extended, frame.longForm};
    try {
        MessageCreator create = nullptr;
        if (command == kCommandPassThrough) {
            const std::uint8_t subCommand = payload.ReadByte();
            transactionNumber = payload.ReadWord();
            create = kMessageIndex.SubCommand(subCommand);
            if (create == nullptr) {
                throw CPassThruSubCmdUnknown();
            }
        } else {
            create = kMessageIndex.Command(command);
            if (create == nullptr) {
                throw CPassThruCmdUnknown();
            }
        }
        return create(payload, context);
    } catch (const CInBinaryStringException&) {
        throw CPassThruParseError();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace tessaly
