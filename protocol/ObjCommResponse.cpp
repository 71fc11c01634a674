#include "protocol/ObjCommResponse.h"

#include <array>
#include <new>

#include "protocol/PassThruErrors.h"
#include "protocol/ResponseRegistry.h"

namespace tessaly {
namespace {

constexpr std::uint8_t kPassThrough = 0x0A;
constexpr std::uint8_t kFrameLong = 0x00;
constexpr std::uint8_t kFrameWide = 0x02;

using CreatorTable = std::array<ResponseCreator, 256>;

void Fill(CreatorTable& table, std::span<const ResponseEntry> entries) {
    for (const ResponseEntry& entry : entries) {
        table[entry.code] = entry.create;
    }
}

const CreatorTable& SubCommandTable() {
    static const CreatorTable table = [] {
        CreatorTable t{};
        Fill(t, ContactSubCommands());
        Fill(t, ContactlessSubCommands());
        Fill(t, SerialMemorySubCommands());
        return t;
    }();
    return table;
}

const CreatorTable& CommandTable() {
    static const CreatorTable table = [] {
        CreatorTable t{};
        Fill(t, ContactCommands());
        Fill(t, KeyAndDeviceCommands());
        return t;
    }();
    return table;
}

bool IsKnownFrameType(std::uint8_t type) {
    return type == 0x00 || type == 0x01 || type == 0x02 || type == 0x03 || type == 0x99 || type == 0xFF;
}

}  // namespace

std::unique_ptr<CObjCommResponse> CObjCommResponse::CreateFromPacket(CInBinaryString& packet,
                                                                     std::uint32_t& transactionNumber,
                                                                     bool extended) {
    transactionNumber = 0;
    packet.SetPosition(0);

    std::uint8_t frameType = 0;
    std::uint8_t command = 0;
    CInBinaryString payload;
    bool checksumOk = false;
    try {
        frameType = packet.ReadByte();
        const bool longForm = frameType == kFrameLong || frameType == kFrameWide;
        if (longForm) {
            (void)packet.ReadString(LengthPrefix::OneByte);  // the address routes nothing here
            command = packet.ReadByte();
        } else {
            command = frameType;
        }
        packet.ReadBytes(payload.Bytes(), frameType == kFrameWide ? LengthPrefix::FourBytes : LengthPrefix::TwoBytes);
        checksumOk = packet.VerifyChecksum();
    } catch (const CInBinaryStringException&) {
        throw CPassThruParseError();
    }
    // The checksum is computed before the frame type is judged: a foreign frame type with a bad
    // checksum is a parse error.
    if (!IsKnownFrameType(frameType)) {
        throw CPassThruParseError();
    }
    if (!checksumOk) {
        throw CPassThruChecksumError();
    }

    ResponseContext context{extended, frameType == kFrameLong || frameType == kFrameWide, 0};
    try {
        ResponseCreator create = nullptr;
        if (command == kPassThrough) {
            const std::uint8_t subCommand = payload.ReadByte();
            context.transactionNumber = payload.ReadWord();
            transactionNumber = context.transactionNumber;
            create = SubCommandTable()[subCommand];
            if (create == nullptr) {
                throw CPassThruSubCmdUnknown();
            }
        } else {
            create = CommandTable()[command];
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
