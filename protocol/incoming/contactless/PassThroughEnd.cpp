#include "protocol/incoming/contactless/PassThroughEnd.h"

#include <limits>

namespace tessaly {

bool CRspPassThroughModeComplete::SetAuditData(const CByteArray& data) {
    if (data.size() > std::numeric_limits<std::uint16_t>::max()) {
        return false;
    }
    m_auditData = data;
    return true;
}

}  // namespace tessaly
