// Arbitrary bytes through the packet factory, both extended settings. A parsed object must describe
// itself and re-encode its body; framing that body again must parse to the same description.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "protocol/ObjCommResponse.h"
#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"

namespace {

using namespace tessaly;

CByteArray Frame(const CObjCommResponse& response, std::uint32_t transaction) {
    const auto command = static_cast<std::uint8_t>(response.GetCommand());
    COutBinaryString payload;
    if (command == kCommandPassThrough) {
        AppendPassThroughHeader(payload, static_cast<std::uint8_t>(response.GetSubCommand()),
                                static_cast<std::uint16_t>(transaction));
    }
    payload.AppendBytes(response.GetBody());
    COutBinaryString packet;
    // Short form for what arrived short (health check, error) or is always short (key request and
    // key store, unless too big for a 2-byte length); the wide long form for everything else.
    if (response.UsesLongForm() || !WritePacketFrame(packet, command, "", command, payload.Bytes())) {
        if (!WritePacketFrame(packet, kFrameWide, "[KEY]", command, payload.Bytes())) {
            std::abort();
        }
    }
    return packet.TakeBytes();
}

void Check(const std::uint8_t* data, std::size_t size, bool extended) {
    CInBinaryString packet(data, size);
    std::uint32_t transaction = 0;
    std::unique_ptr<CObjCommResponse> response;
    try {
        response = CObjCommResponse::CreateFromPacket(packet, transaction, extended);
    } catch (const CPassThruFormatError&) {
        return;
    }
    if (!response) {
        return;
    }
    const CStringArray description = response->Describe();
    if (description.size() < 2) {
        std::abort();
    }
    CInBinaryString again(Frame(*response, transaction));
    std::uint32_t transactionAgain = 0;
    std::unique_ptr<CObjCommResponse> reparsed;
    try {
        reparsed = CObjCommResponse::CreateFromPacket(again, transactionAgain, extended);
    } catch (const CPassThruFormatError&) {
        std::abort();  // our own re-encoding must parse
    }
    if (!reparsed || reparsed->Describe() != description || transactionAgain != transaction ||
        std::string(reparsed->ClassName()) != response->ClassName()) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Check(data, size, false);
    Check(data, size, true);
    return 0;
}
