// The card exchange of a job: one Process command on the reader its destination names (with
// enciphered data unwrapped first), and Bulk Process, a list of them with result checks that
// stops at the first failure.
#pragma once

#include <cstdint>
#include <memory>

#include "common/Types.h"
#include "driver/JobReaders.h"
#include "protocol/cipher/CipherEnvelope.h"
#include "protocol/incoming/contact/BulkProcessCommand.h"
#include "protocol/incoming/contact/ProcessCommand.h"
#include "protocol/outgoing/ProcessAcks.h"

namespace tessaly {

struct ProcessOutcome {
    CByteArray response;
    bool timedOut = false;
    // 0, a station code of the driver's own, or the reader's last result.
    std::uint32_t status = 0;
};

class CProcessExecutor {
public:
    // `cipher` is null when the station key setting is malformed: enciphered data is then refused.
    CProcessExecutor(CJobReaders& readers, const CCipherContext* cipher)
        : m_readers(readers), m_cipher(cipher) {}

    ProcessOutcome ExecuteProcessCommand(const CRspProcess& command);

    std::unique_ptr<CObjCommMessage> Process(const CRspProcess& command);
    std::unique_ptr<CObjCommMessage> BulkProcess(const CRspBulkProcess& command);

private:
    // The acknowledgement of one exchange; enciphered when the command asks for it.
    std::unique_ptr<CMsgProcess> MakeAck(const CRspProcess& command, ProcessOutcome outcome,
                                         bool lengthFirst) const;
    // The item's result check; false stops the bulk. May set the status (0x89).
    bool CheckResult(const CBulkProcessCommand& item, ProcessOutcome& outcome) const;

    CJobReaders& m_readers;
    const CCipherContext* m_cipher;
};

}  // namespace tessaly
