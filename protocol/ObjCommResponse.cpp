#include "protocol/ObjCommResponse.h"

#include <new>

#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"
#include "protocol/incoming/contact/ContactRegistry.h"
#include "protocol/incoming/contactless/ContactlessRegistry.h"
#include "protocol/serialmemory/SerialMemoryRegistry.h"

namespace tessaly {
namespace {

constexpr auto kResponses = JoinRows(kContactResponses, kContactlessResponses, kSerialMemoryResponses);
static_assert(HasUniqueCodes(kResponses), "two incoming classes claim the same code");

constexpr CCodeIndex<ResponseCreator> kResponseIndex(kResponses);

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
            create = kResponseIndex.SubCommand(subCommand);
            if (create == nullptr) {
                throw CPassThruSubCmdUnknown();
            }
        } else {
            create = kResponseIndex.Command(command);
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
