// Reader Attribute on a key station: attributes 0 to 6 are fixed values of a contact station, 7
// and 8 are the reader's transmission settings, 9 and above are refused with error indicator '7'.
#pragma once

#include <cstdint>
#include <memory>

#include "cardaccess/PcscReader.h"
#include "protocol/incoming/contact/ReaderAttribute.h"
#include "protocol/outgoing/StationAcks.h"

namespace tessaly {

// Reads or sets the attribute on `reader` and makes the acknowledgement (extended, return code 0).
std::unique_ptr<CMsgReaderAttribute> AnswerReaderAttribute(const CRspReaderAttribute& request,
                                                           CPcscReader& reader);

}  // namespace tessaly
