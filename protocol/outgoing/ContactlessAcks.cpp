#include "protocol/outgoing/ContactlessAcks.h"

namespace tessaly {

CMsgDiversifyKeys::CMsgDiversifyKeys(std::uint32_t returnCode, const CByteArray& data,
                                     const CCipherContext& context, bool extended)
    : CReturnCodeDataAck(returnCode, {}, extended) {
    // Cut the plain data so that its envelope still fits the 16-bit length.
    const CByteArray plain = layout::Clip(data, layout::kMax16 - kEnvelopeOverhead);
    if (!EncryptEnvelope(context, plain, Data())) {
        Data().clear();
        SetReturnCode(kEnvelopeFailed);
        m_envelopeFailed = true;
    }
}

}  // namespace tessaly
