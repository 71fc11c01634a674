// The contactless and key commands of a card job (sub-codes 0x30 to 0x36). Each first checks its
// destination; the work itself is done on the job's contactless reader.
#pragma once

#include <memory>

#include "driver/JobReaders.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/cipher/CipherEnvelope.h"
#include "protocol/incoming/contactless/PiccCommands.h"

namespace tessaly {

class CContactlessCommands {
public:
    using Reply = std::unique_ptr<CObjCommMessage>;

    // `cipher` is null when the station key setting is malformed.
    CContactlessCommands(CJobReaders& readers, const CCipherContext* cipher)
        : m_readers(readers), m_cipher(cipher) {}

    Reply PiccReset(const CRspPiccReset& command);
    Reply PiccIssuePps(const CRspPiccIssuePPS& command);
    Reply PiccAntennaTuning(const CRspPiccAntennaTuning& command);
    Reply SetKeys(const CRspSetKeys& command);
    Reply PiccAuthenticate(const CRspPiccAuthenticate& command);
    Reply PiccPower(const CRspPiccPower& command);
    Reply DiversifyKeys(const CRspDiversifyKeys& command);

private:
    // 0 when the destination names a reader of this job, else 0x88.
    std::uint32_t DestinationStatus(std::uint32_t destinationCode);
    // The reset response by card type; logs a failure and returns the reader's last result.
    std::uint32_t ReadResetResponse(CByteArray& response);

    CJobReaders& m_readers;
    const CCipherContext* m_cipher;
};

}  // namespace tessaly
