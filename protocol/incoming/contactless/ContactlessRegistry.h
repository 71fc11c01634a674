// The contactless, operator-message, end-of-pass-through, key and device classes the factory makes.
#pragma once

#include "protocol/ResponseRegistry.h"
#include "protocol/incoming/contactless/DeviceReplies.h"
#include "protocol/incoming/contactless/KeyStationCommands.h"
#include "protocol/incoming/contactless/OperatorMessage.h"
#include "protocol/incoming/contactless/PassThroughEnd.h"
#include "protocol/incoming/contactless/PiccCommands.h"
#include "protocol/incoming/contactless/TypeBCommands.h"

namespace tessaly {

// Sub-code 0xFF ends pass-through mode: with a transaction number it is the host's verdict on the
// card, without one a bare finish.
inline std::unique_ptr<CObjCommResponse> MakeEndOfPassThrough(CInBinaryString& body,
                                                              const ResponseContext& context) {
    if (context.transactionNumber != 0) {
        return std::make_unique<CRspPassThroughModeComplete>(body, context.extended);
    }
    return std::make_unique<CRspPassThroughModeFinish>(body, context.extended);
}

inline constexpr ResponseRow kContactlessResponses[] = {
    Response<CRspMessage>(),
    Response<CRspPiccReset>(),
    Response<CRspPiccIssuePPS>(),
    Response<CRspPiccAntennaTuning>(),
    Response<CRspSetKeys>(),
    Response<CRspPiccAuthenticate>(),
    Response<CRspPiccPower>(),
    Response<CRspDiversifyKeys>(),
    Response<CRspReqb>(),
    Response<CRspWupb>(),
    Response<CRspAttrib>(),
    Response<CRspHltb>(),
    {CodeOf<CRspPassThroughModeFinish>(), &MakeEndOfPassThrough},
    Response<CRspKeyRequest>(),
    Response<CRspKeyStore>(),
    Response<CRspObjectRequest>(),
    Response<CRspObjectDataLoading>(),
    Response<CRspRegisterDevice>(),
    Response<CRspRequestDeviceName>(),
    Response<CRspAuthenticateClient>(),
    Response<CRspSetDeviceName>(),
};

}  // namespace tessaly
