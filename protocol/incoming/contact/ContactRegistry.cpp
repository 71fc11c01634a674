// Which class each contact-card and station code makes.
#include "protocol/ResponseRegistry.h"
#include "protocol/incoming/contact/ProtocolReplies.h"
#include "protocol/incoming/contact/ResetCommands.h"

namespace tessaly {
namespace {

template <class T>
std::unique_ptr<CObjCommResponse> MakeWithForm(CInBinaryString& body, const ResponseContext& context) {
    return std::make_unique<T>(body, context.extended, context.longForm);
}

constexpr ResponseEntry kContactSubCommands[] = {
    {0x01, &MakeResponse<CRspResetCard>},
    {0x02, &MakeResponse<CRspSetVoltage>},
    {0x04, &MakeResponse<CRspSetFrequency>},
};

constexpr ResponseEntry kContactCommands[] = {
    {0x99, &MakeWithForm<CRspHealthCheck>},
    {0xFF, &MakeWithForm<CRspError>},
};

}  // namespace

std::span<const ResponseEntry> ContactSubCommands() { return kContactSubCommands; }
std::span<const ResponseEntry> ContactCommands() { return kContactCommands; }

}  // namespace tessaly
