// Reader Attribute in a card job: attributes 0 to 8 of the contact and key-station readers, 9 to 26
// of the contactless reader. Most are fixed values; 7 and 8 are the reader's transmission settings;
// 10 and 11 come from the card's ATS.
#pragma once

#include <memory>

#include "driver/JobReaders.h"
#include "protocol/incoming/contact/ReaderAttribute.h"
#include "protocol/outgoing/StationAcks.h"

namespace tessaly {

std::unique_ptr<CMsgReaderAttribute> AnswerReaderAttribute(const CRspReaderAttribute& command,
                                                           CJobReaders& readers);

}  // namespace tessaly
