// Which class each contactless, operator-message, end-of-pass-through, key and device code makes.
#include "protocol/ResponseRegistry.h"
#include "protocol/incoming/contactless/DeviceReplies.h"
#include "protocol/incoming/contactless/KeyStationCommands.h"
#include "protocol/incoming/contactless/OperatorMessage.h"
#include "protocol/incoming/contactless/PassThroughEnd.h"
#include "protocol/incoming/contactless/PiccCommands.h"
#include "protocol/incoming/contactless/TypeBCommands.h"

namespace tessaly {
namespace {

// Sub-code 0xFF ends pass-through mode: with a transaction number it is the host's verdict on the
// card, without one a bare finish.
std::unique_ptr<CObjCommResponse> MakeEndOfPassThrough(CInBinaryString& body,
                                                       const ResponseContext& context) {
    if (context.transactionNumber != 0) {
        return std::make_unique<CRspPassThroughModeComplete>(body, context.extended);
    }
    return std::make_unique<CRspPassThroughModeFinish>(body, context.extended);
}

constexpr ResponseEntry kContactlessSubCommands[] = {
    {0x20, &MakeResponse<CRspMessage>},      {0x30, &MakeResponse<CRspPiccReset>},
    {0x31, &MakeResponse<CRspPiccIssuePPS>}, {0x32, &MakeResponse<CRspPiccAntennaTuning>},
    {0x33, &MakeResponse<CRspSetKeys>},      {0x34, &MakeResponse<CRspPiccAuthenticate>},
    {0x35, &MakeResponse<CRspPiccPower>},    {0x36, &MakeResponse<CRspDiversifyKeys>},
    {0x37, &MakeResponse<CRspReqb>},         {0x38, &MakeResponse<CRspWupb>},
    {0x39, &MakeResponse<CRspAttrib>},       {0x3A, &MakeResponse<CRspHltb>},
    {0xFF, &MakeEndOfPassThrough},
};

constexpr ResponseEntry kKeyAndDeviceCommands[] = {
    {0x01, &MakeResponse<CRspKeyRequest>},         {0x03, &MakeResponse<CRspKeyStore>},
    {0x04, &MakeResponse<CRspObjectRequest>},      {0x05, &MakeResponse<CRspObjectDataLoading>},
    {0x06, &MakeResponse<CRspRegisterDevice>},     {0x07, &MakeResponse<CRspRequestDeviceName>},
    {0x08, &MakeResponse<CRspAuthenticateClient>}, {0x09, &MakeResponse<CRspSetDeviceName>},
};

}  // namespace

std::span<const ResponseEntry> ContactlessSubCommands() {
    return kContactlessSubCommands;
}
std::span<const ResponseEntry> KeyAndDeviceCommands() {
    return kKeyAndDeviceCommands;
}

}  // namespace tessaly
