#include "driver/ProcessExecutor.h"

#include <algorithm>

#include "cardaccess/ReaderErrors.h"
#include "common/Format.h"
#include "common/TextEncoding.h"
#include "driver/QuorlinLog.h"

namespace tessaly {
namespace {

// Check mode 2: the last two bytes of the response against the first two of the expectation.
// Either side shorter than two bytes has nothing to compare: a mismatch.
bool StatusWordMatches(const CByteArray& response, const CByteArray& expected) {
    if (response.size() < 2 || expected.size() < 2) {
        return false;
    }
    return response[response.size() - 2] == expected[0] && response[response.size() - 1] == expected[1];
}

// Card data that was enciphered does not stay in memory longer than it is needed.
void Wipe(CByteArray& bytes) {
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
}

}  // namespace

ProcessOutcome CProcessExecutor::ExecuteProcessCommand(const CRspProcess& command) {
    ProcessOutcome outcome;
    CPcscReader* reader = m_readers.SelectDestinationReader(command.GetDestination());
    if (reader == nullptr) {
        outcome.status = station::kInvalidDestination;
        return outcome;
    }
    CByteArray plain;
    if (command.HasEncryptedData() && (m_cipher == nullptr || !command.DecryptData(*m_cipher, plain))) {
        outcome.status = station::kUndecodableData;
        return outcome;
    }
    const CByteArray& bytes = command.HasEncryptedData() ? plain : command.GetData();
    const auto caseByte = static_cast<std::uint8_t>(command.GetApduCase());
    std::uint8_t code = 0;
    if (command.GetDestination() == destination::kContactless) {
        CScmContactlessReader& contactless = m_readers.Contactless();
        code = m_readers.CardType() == card_type::kMifare
                   ? contactless.ExecuteMemoryCommand(bytes, outcome.response)
                   : contactless.ExchangeContactless(caseByte, bytes, outcome.response);
    } else {
        code = reader->Transmit(caseByte, bytes, outcome.response);
    }
    Wipe(plain);
    if (code != station::kSuccess) {
        LogError(
            __LINE__,
            FormatText("Smartcard Command %s failed with = %ld [%s]", HexString(command.GetData()).c_str(),
                       SignedResult(reader->GetLastResult()), reader->GetLastErrorText().c_str()));
        outcome.status = reader->GetLastResult();
        outcome.timedOut = code == station::kCommunicationTimeout;
    }
    return outcome;
}

std::unique_ptr<CMsgProcess> CProcessExecutor::MakeAck(const CRspProcess& command, ProcessOutcome outcome,
                                                       bool lengthFirst) const {
    if (!command.WantsEncryptedAnswer()) {
        return std::make_unique<CMsgProcess>(outcome.timedOut, outcome.status, std::move(outcome.response),
                                             lengthFirst, true);
    }
    if (m_cipher == nullptr) {
        // No key to wrap the answer with: the card's answer never goes out in clear.
        Wipe(outcome.response);
        return std::make_unique<CMsgProcess>(outcome.timedOut, CMsgProcess::kEnvelopeFailed, CByteArray(),
                                             lengthFirst, true, CMsgProcess::kFlagEncipherResponse);
    }
    auto ack = std::make_unique<CMsgProcess>(outcome.timedOut, outcome.status, outcome.response, lengthFirst,
                                             true, CMsgProcess::kFlagEncipherResponse, m_cipher);
    Wipe(outcome.response);
    return ack;
}

std::unique_ptr<CObjCommMessage> CProcessExecutor::Process(const CRspProcess& command) {
    return MakeAck(command, ExecuteProcessCommand(command), false);
}

bool CProcessExecutor::CheckResult(const CBulkProcessCommand& item, ProcessOutcome& outcome) const {
    if (item.GetCheckMode() == CBulkProcessCommand::kCheckNothing) {
        return true;
    }
    CByteArray plain;
    if (item.IsEncrypted() && (m_cipher == nullptr || !item.DecryptExpected(*m_cipher, plain))) {
        outcome.status = station::kUndecodableData;
        return false;
    }
    const CByteArray& expected = item.IsEncrypted() ? plain : item.GetExpectedResult();
    bool matches = true;
    if (item.GetCheckMode() == CBulkProcessCommand::kCheckStatusWord) {
        matches = StatusWordMatches(outcome.response, expected);
    } else if (item.GetCheckMode() == CBulkProcessCommand::kCheckWholeResult) {
        matches = outcome.response == expected;
    }
    Wipe(plain);
    return matches;
}

std::unique_ptr<CObjCommMessage> CProcessExecutor::BulkProcess(const CRspBulkProcess& command) {
    // The bulk answer itself is not extended; its elements are.
    auto reply = std::make_unique<CMsgBulkProcess>(kBulkFailed, false);
    for (const CRCPtr<CBulkProcessCommand>& item : command.GetItems()) {
        const CRspProcess& process = *item->GetProcess();
        ProcessOutcome outcome = ExecuteProcessCommand(process);
        bool stopping = outcome.status != 0 || outcome.timedOut || !CheckResult(*item, outcome);
        std::shared_ptr<CMsgProcess> ack = MakeAck(process, std::move(outcome), true);
        // An answer that could not be enciphered is a failure, whatever the card said.
        stopping =
            stopping || (process.WantsEncryptedAnswer() && (m_cipher == nullptr || ack->EnvelopeFailed()));
        if (!reply->Add(std::move(ack)) || stopping) {
            return reply;
        }
    }
    reply->SetStatus(kBulkSuccess);
    return reply;
}

}  // namespace tessaly
