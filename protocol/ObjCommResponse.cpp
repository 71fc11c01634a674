#include "protocol/ObjCommResponse.h"

#include <array>
#include <new>

#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"
#include "protocol/ResponseRegistry.h"

namespace tessaly {
namespace {

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

}  // namespace

std::unique_ptr<CObjCommResponse> CObjCommResponse::CreateFromPacket(CInBinaryString& packet,
                                                                     std::uint32_t& transactionNumber,
                                                                     bool extended) {
    transactionNumber = 0;
    PacketFrame frame = ReadPacketFrame(packet);
    CInBinaryString& payload = frame.payload;
    const std::uint8_t command = frame.command;

    ResponseContext context{extended, frame.longForm, 0};
    try {
        ResponseCreator create = nullptr;
        if (command == kCommandPassThrough) {
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
