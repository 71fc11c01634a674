#include "protocol/outgoing/SerialMemoryAcks.h"

namespace tessaly {
namespace {

// The operation code the executors report when a command holds no operation.
constexpr std::uint8_t kNoOperation = 0x77;

}  // namespace

CRCPtr<CSerialMemoryResult> UnavailableResult() {
    return std::make_shared<CSerialMemoryResult>(kSmFunctionUnavailable, 0, 0, kNoOperation);
}

bool CMsgBulkSerialProcess::Add(CRCPtr<CSerialMemoryResult> result) {
    if (!result || m_results.size() >= layout::kMax16) {
        return false;
    }
    m_results.push_back(std::move(result));
    return true;
}

}  // namespace tessaly
