#include "protocol/outgoing/MessageDecoder.h"

#include <array>
#include <new>
#include <span>

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

struct MessageEntry {
    std::uint8_t code;
    MessageCreator create;
};

template <class T>
std::unique_ptr<CObjCommMessage> Make(CInBinaryString& body, const MessageContext& context) {
    return std::make_unique<T>(body, context.extended);
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

constexpr MessageEntry kSubCommands[] = {
    {0x00, &MakeStart},
    {0x01, &Make<CMsgResetCard>},
    {0x02, &Make<CMsgSetVoltage>},
    {0x03, &Make<CMsgSetBaudRate>},
    {0x04, &Make<CMsgSetFrequency>},
    {0x05, &MakeProcess},
    {0x06, &Make<CMsgEjectCard>},
    {0x07, &Make<CMsgQueryCard>},
    {0x08, &Make<CMsgSetNAD>},
    {0x09, &Make<CMsgConfigSerialPort>},
    {0x0A, &Make<CMsgGetHardwareVersion>},
    {0x0B, &Make<CMsgWarmReset>},
    {0x0C, &Make<CMsgBulkProcess>},
    {0x0D, &Make<CMsgSerialMemoryProcess>},
    {0x0E, &Make<CMsgBulkSerialProcess>},
    {0x0F, &Make<CMsgResetCardWithPPS>},
    {0x10, &Make<CMsgResend>},
    {0x11, &Make<CMsgSetTimeoutValue>},
    {0x12, &Make<CMsgWarmResetWithPPS>},
    {0x13, &Make<CMsgKeepAlive>},
    {0x15, &Make<CMsgCardCommandSimulation>},
    {0x16, &Make<CMsgReaderAttribute>},
    {0x17, &Make<CMsgSetCardType>},
    {0x20, &Make<CMsgMessage>},
    {0x22, &Make<CMsgSerialFlush>},
    {0x30, &Make<CMsgPiccReset>},
    {0x31, &Make<CMsgPiccIssuePPS>},
    {0x32, &Make<CMsgPiccAntennaTuning>},
    {0x33, &Make<CMsgSetKeys>},
    {0x34, &Make<CMsgPiccAuthenticate>},
    {0x35, &Make<CMsgPiccPower>},
    {0x36, &Make<CMsgDiversifyKeys>},
    {0xFF, &Make<CMsgPassThroughModeFinish>},
};

constexpr MessageEntry kCommands[] = {
    {0x06, &Make<CMsgRegisterDevice>},
    {0x07, &Make<CMsgRequestDeviceName>},
    {0x09, &Make<CMsgSetDeviceName>},
    {0x99, &MakeHealthCheck},
};

MessageCreator Find(std::span<const MessageEntry> table, std::uint8_t code) {
    for (const MessageEntry& entry : table) {
        if (entry.code == code) {
            return entry.create;
        }
    }
    return nullptr;
}

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
            create = Find(kSubCommands, subCommand);
            if (create == nullptr) {
                throw CPassThruSubCmdUnknown();
            }
        } else {
            create = Find(kCommands, command);
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
