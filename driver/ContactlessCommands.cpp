#include "driver/ContactlessCommands.h"

#include <algorithm>

#include "cardaccess/ReaderErrors.h"
#include "common/Format.h"
#include "common/TextEncoding.h"
#include "driver/QuorlinLog.h"
#include "protocol/outgoing/ContactlessAcks.h"
#include "protocol/outgoing/SimpleAcks.h"

namespace tessaly {
namespace {

// PICC Authenticate data: a 4-byte block number and the key choice.
constexpr std::size_t kAuthenticateLength = 5;
constexpr std::uint8_t kUseKeyA = 0;
constexpr std::uint8_t kUseKeyB = 1;

void LogReaderFailure(const char* format, const CPcscReader& reader) {
    LogError(__LINE__,
             FormatText(format, SignedResult(reader.GetLastResult()), reader.GetLastErrorText().c_str()));
}

}  // namespace

std::uint32_t CContactlessCommands::DestinationStatus(std::uint32_t destinationCode) {
    return m_readers.SelectDestinationReader(destinationCode) != nullptr ? station::kSuccess
                                                                         : station::kInvalidDestination;
}

std::uint32_t CContactlessCommands::ReadResetResponse(CByteArray& response) {
    CScmContactlessReader& reader = m_readers.Contactless();
    std::uint8_t code = station::kSuccess;
    switch (m_readers.CardType()) {
        case card_type::kMifare:
            code = reader.GetMifareResetResponse(response);
            break;
        case card_type::kIso14443A:
        case card_type::kIso14443B:
        case card_type::kIso14443Both:
            code = reader.GetAts(response);
            break;
        default:
            code = reader.GetDefaultResetResponse(response);
            break;
    }
    if (code == station::kSuccess) {
        return 0;
    }
    LogReaderFailure("Attempt to get reset response failed with = %ld [%s]", reader);
    return reader.GetLastResult();
}

CContactlessCommands::Reply CContactlessCommands::PiccReset(const CRspPiccReset& command) {
    if (DestinationStatus(command.GetDestination()) != station::kSuccess) {
        return std::make_unique<CMsgPiccReset>(station::kInvalidDestination, CByteArray(), true);
    }
    CScmContactlessReader& reader = m_readers.Contactless();
    reader.Disconnect();
    std::uint32_t status = 0;
    CByteArray response;
    if (reader.Connect() != station::kSuccess) {
        LogReaderFailure("Connect to station failed with = %ld [%s]", reader);
        status = reader.GetLastResult();
    } else {
        status = ReadResetResponse(response);
    }
    m_readers.Selected().ResetTransmissionSettings();
    return std::make_unique<CMsgPiccReset>(status, std::move(response), true);
}

CContactlessCommands::Reply CContactlessCommands::PiccIssuePps(const CRspPiccIssuePPS& command) {
    return std::make_unique<CMsgPiccIssuePPS>(DestinationStatus(command.GetDestination()), true);
}

CContactlessCommands::Reply CContactlessCommands::PiccAntennaTuning(const CRspPiccAntennaTuning& command) {
    return std::make_unique<CMsgPiccAntennaTuning>(DestinationStatus(command.GetDestination()), 0, true);
}

CContactlessCommands::Reply CContactlessCommands::PiccPower(const CRspPiccPower& command) {
    return std::make_unique<CMsgPiccPower>(DestinationStatus(command.GetDestination()), true);
}

CContactlessCommands::Reply CContactlessCommands::SetKeys(const CRspSetKeys& command) {
    std::uint32_t status = DestinationStatus(command.GetDestination());
    if (status == station::kSuccess) {
        CByteArray keys;
        if (m_cipher == nullptr || !command.DecryptKeyData(*m_cipher, keys)) {
            status = station::kUndecodableData;
        } else {
            m_readers.Contactless().SetKeys(keys);
            std::fill(keys.begin(), keys.end(), std::uint8_t{0});
        }
    }
    return std::make_unique<CMsgSetKeys>(status, true);
}

CContactlessCommands::Reply CContactlessCommands::PiccAuthenticate(const CRspPiccAuthenticate& command) {
    std::uint32_t status = DestinationStatus(command.GetDestination());
    const CByteArray& data = command.GetData();
    if (status == station::kSuccess) {
        if (data.size() != kAuthenticateLength || (data[4] != kUseKeyA && data[4] != kUseKeyB)) {
            status = station::kUnexpectedData;
        } else {
            CScmContactlessReader& reader = m_readers.Contactless();
            const std::uint32_t block = BytesToNumber(data.data(), 4);
            const std::uint8_t key =
                data[4] == kUseKeyA ? CScmContactlessReader::kKeyA : CScmContactlessReader::kKeyB;
            if (reader.Authenticate(block, key) != station::kSuccess) {
                // The reader that ran the authentication reports its own result.
                LogReaderFailure("Authentication failed with = %ld [%s]", reader);
                status = reader.GetLastResult();
            }
        }
    }
    return std::make_unique<CMsgPiccAuthenticate>(status, CByteArray(), true);
}

CContactlessCommands::Reply CContactlessCommands::DiversifyKeys(const CRspDiversifyKeys& command) {
    std::uint32_t status = DestinationStatus(command.GetDestination());
    if (status == station::kSuccess) {
        status = station::kNotSupported;
    }
    if (m_cipher == nullptr) {
        // No station key to make the envelope with; the empty envelope of a zero key carries nothing.
        static const CCipherContext kZeroKey(StationKey{});
        return std::make_unique<CMsgDiversifyKeys>(station::kUndecodableData, CByteArray(), kZeroKey, true);
    }
    return std::make_unique<CMsgDiversifyKeys>(status, CByteArray(), *m_cipher, true);
}

}  // namespace tessaly
