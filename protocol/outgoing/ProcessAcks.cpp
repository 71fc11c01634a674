#include "protocol/outgoing/ProcessAcks.h"

namespace tessaly {

CMsgProcess::CMsgProcess(bool timedOut, std::uint32_t returnCode, CByteArray response, bool lengthFirst,
                         bool extended, std::uint16_t flags, const CCipherContext* context)
    : CMessageFields(extended),
      m_indicator(timedOut ? layout::kTimedOut : layout::kGotResponse),
      m_flags(flags),
      m_returnCode(layout::Narrow(returnCode, extended)),
      m_lengthFirst(lengthFirst) {
    const std::size_t room = layout::kMax16 - FixedLength(lengthFirst, extended);
    if ((flags & kFlagEncipherResponse) == 0) {
        m_response = layout::Clip(std::move(response), room);
        return;
    }
    // The envelope adds at most its overhead; cut the plain response so that the envelope fits.
    const CByteArray plain = layout::Clip(std::move(response), room - kEnvelopeOverhead);
    // Without a cipher context no envelope can be made: the response must not go out in clear.
    if (context == nullptr || !EncryptEnvelope(*context, plain, m_response)) {
        m_response.clear();
        m_returnCode = kEnvelopeFailed;
        m_envelopeFailed = true;
    }
}

CMsgProcess::CMsgProcess(CInBinaryString& body, bool extended, bool lengthFirst)
    : CMessageFields(extended), m_lengthFirst(lengthFirst) {
    ReadBody(body);
}

bool CMsgProcess::IsLengthFirstBody(const CInBinaryString& body, bool extended) {
    const CByteArray& bytes = body.Bytes();
    const auto start = static_cast<std::size_t>(body.Position());
    // Indicator-first keeps its length after the indicator (and the flags when extended).
    const std::size_t at = start + (extended ? 3 : 1);
    if (at + 2 > bytes.size()) {
        return false;
    }
    const std::size_t length = (static_cast<std::size_t>(bytes[at]) << 8) | bytes[at + 1];
    return length != bytes.size() - (at + 2);
}

bool CMsgBulkProcess::Add(CRCPtr<CMsgProcess> element) {
    if (!element || m_elements.size() >= layout::kMax16) {
        return false;
    }
    m_elements.push_back(std::move(element));
    return true;
}

CMsgCardCommandSimulation::CMsgCardCommandSimulation(bool timedOut, std::uint32_t returnCode, CByteArray data,
                                                     bool extended)
    : CMessageFields(extended),
      m_indicator(timedOut ? layout::kTimedOut : layout::kGotResponse),
      m_returnCode(layout::Narrow(returnCode, extended)),
      m_data(layout::Clip(std::move(data), layout::kMax16 - FixedLength(extended))) {}

}  // namespace tessaly
