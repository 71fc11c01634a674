// Arbitrary bytes through the host-side decoder of what stations send, both extended settings. A
// decoded message must describe itself; building its packet again must decode to the same
// description.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/MessageDecoder.h"

namespace {

using namespace tessaly;

void Check(const std::uint8_t* data, std::size_t size, bool extended) {
    CInBinaryString packet(data, size);
    std::uint32_t transaction = 0;
    std::unique_ptr<CObjCommMessage> message;
    try {
        message = CreateMessageFromPacket(packet, transaction, extended);
    } catch (const CPassThruFormatError&) {
        return;
    }
    if (!message) {
        return;
    }
    const CStringArray description = message->Describe();
    if (description.size() < 2) {
        std::abort();
    }
    COutBinaryString rebuilt;
    if (!message->BuildPacket(rebuilt, static_cast<std::uint16_t>(transaction), "[KEY]", true)) {
        std::abort();
    }
    CInBinaryString again(rebuilt.TakeBytes());
    std::uint32_t transactionAgain = 0;
    std::unique_ptr<CObjCommMessage> decoded;
    try {
        decoded = CreateMessageFromPacket(again, transactionAgain, extended);
    } catch (const CPassThruFormatError&) {
        std::abort();  // our own packet must decode
    }
    if (!decoded || decoded->Describe() != description || transactionAgain != transaction ||
        std::string(decoded->ClassName()) != message->ClassName()) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Check(data, size, false);
    Check(data, size, true);
    return 0;
}
