#include "cardaccess/ScmContactlessReader.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "cardaccess/ReaderErrors.h"
#include "common/ValueTable.h"
#include "platform/TripleDes.h"

namespace tessaly {
namespace {

constexpr CodeText kOwnTexts[] = {
    {scm_result::kIncompleteResponse, " -- Incomplete response from SCM command."},
    {scm_result::kBlockBeyondKeys, " -- block number is too great, or keys length is insufficient."},
    {scm_result::kPendingWriteLength, " -- did not recieve 16 data bytes expected for pending write."},
    {scm_result::kInvalidCommand, " -- invalid or unsupported command received."},
    {scm_result::kKeysNotSet, " -- keys have not been set."},
};

constexpr CodeText kStatusWordTexts[] = {
    {0x6300, " -- SCM command returned 'authentication error'."},
    {0x6581, " -- SCM command returned 'STATUS_COMMAND_FAILED'."},
    {0x6591, " -- SCM command returned 'STATUS_SECURITY_STATUS_NOT_MET'."},
    {0x6700, " -- SCM command returned 'length incorrect'."},
    {0x6D00, " -- SCM command returned 'invalid instruction byte'."},
    {0x6E00, " -- SCM command returned 'class not supported'."},
    {0x6F00, " -- SCM command returned 'unknown command'."},
};

constexpr const char* kOtherStatusWordText = " -- SCM command returned status word indicating error.";

constexpr std::size_t kMifareBlock = 16;

// A reader command: its header followed by data, built in one piece.
CByteArray ReaderCommand(std::initializer_list<std::uint8_t> header, const std::uint8_t* data,
                         std::size_t size) {
    CByteArray command(header.size() + size);
    std::copy(header.begin(), header.end(), command.begin());
    if (size != 0) {
        std::copy(data, data + size, command.begin() + static_cast<std::ptrdiff_t>(header.size()));
    }
    return command;
}
constexpr std::size_t kKeyLength = 6;
constexpr std::uint8_t kMifareRead = 0x30;
constexpr std::uint8_t kMifareWrite = 0xA0;

}  // namespace

CScmContactlessReader::CScmContactlessReader(CString readerName, bool directQuery)
    : CPcscReader(std::move(readerName), directQuery) {}

CScmContactlessReader::~CScmContactlessReader() {
    WipeKeys();
}

CString CScmContactlessReader::GetErrorText(std::uint32_t code) const {
    if (const char* own = LookupText(kOwnTexts, code, nullptr); own != nullptr) {
        return CodeWithText(code, own);
    }
    if ((code >> 24) == (scm_result::kStatusWordBase >> 24)) {
        return CodeWithText(
            code, LookupText(kStatusWordTexts, code - scm_result::kStatusWordBase, kOtherStatusWordText));
    }
    return CPcscReader::GetErrorText(code);
}

void CScmContactlessReader::ResetTransmissionSettings() {
    CPcscReader::ResetTransmissionSettings();
    WipeKeys();
    ClearPendingWrite();
}

void CScmContactlessReader::WipeKeys() {
    platform::WipeBytes(m_keys.data(), m_keys.size());
    m_keys.clear();
    m_keys.shrink_to_fit();
}

void CScmContactlessReader::ClearPendingWrite() {
    m_writePending = false;
    m_pendingBlock = 0;
}

std::uint8_t CScmContactlessReader::SendReaderCommand(const CByteArray& command, CByteArray& answer) {
    const std::uint8_t status = Transmit(apdu_case::kCase3, command, answer);
    if (status != station::kSuccess) {
        return status;
    }
    return CheckReaderStatus(answer);
}

std::uint8_t CScmContactlessReader::CheckReaderStatus(const CByteArray& answer) {
    if (answer.size() < 2) {
        return Fail(scm_result::kIncompleteResponse);
    }
    const std::uint32_t statusWord = (std::uint32_t{answer[answer.size() - 2]} << 8) | answer.back();
    if (statusWord != 0x9000) {
        return Fail(scm_result::kStatusWordBase + statusWord);
    }
    return Succeed();
}

std::uint8_t CScmContactlessReader::ExchangeContactless(std::uint8_t caseByte, const CByteArray& command,
                                                        CByteArray& response) {
    if (caseByte == apdu_case::kRaw || command.size() < 256) {
        return TransparentExchange(command, response);
    }
    return Transmit(caseByte, command, response);
}

std::uint8_t CScmContactlessReader::TransparentExchange(const CByteArray& command, CByteArray& response) {
    if (command.size() > kLongestTransparent) {
        // Its length would not fit the one-byte length field: refused rather than sent mislabelled.
        response.clear();
        return Fail(station::kNotSupported);
    }
    const CByteArray wrapped = ReaderCommand(
        {0xFC, 0xFE, 0x00, 0x00, static_cast<std::uint8_t>(command.size())}, command.data(), command.size());
    return Transmit(apdu_case::kCase3, wrapped, response);
}

std::uint8_t CScmContactlessReader::GetMifareResetResponse(CByteArray& response) {
    response.assign(4, 0x00);
    return Succeed();
}

std::uint8_t CScmContactlessReader::GetDefaultResetResponse(CByteArray& response) {
    response.assign(3, 0x00);
    return Succeed();
}

// NOLINTNEXTLINE(bugprone-virtual-near-miss): the ATS, not the ATR
std::uint8_t CScmContactlessReader::GetAts(CByteArray& ats) {
    CByteArray answer;
    const std::uint8_t status = SendReaderCommand({0xFD, 0xCC, 0x00, 0x00, 0x01, 0x93}, answer);
    if (status != station::kSuccess) {
        ats.clear();
        return status;
    }
    ats.assign(answer.begin(), answer.end() - 2);
    return station::kSuccess;
}

std::uint8_t CScmContactlessReader::SendReaderControl(std::uint8_t value) {
    CByteArray answer;
    return Transmit(apdu_case::kCase3, {0xFF, 0xD0, value, 0x00, 0x00}, answer);
}

void CScmContactlessReader::SetKeys(const CByteArray& keys) {
    // Assigning in place would leave the tail of a longer old table in the buffer.
    WipeKeys();
    m_keys = keys;
}

std::uint32_t CScmContactlessReader::SectorOfBlock(std::uint32_t block) {
    const std::uint32_t low = block & 0xFF;
    return low < 128 ? low / 4 : 32 + (low / 16) % 8;
}

std::uint8_t CScmContactlessReader::Authenticate(std::uint32_t block, std::uint8_t keyType) {
    if (m_keys.empty()) {
        return Fail(scm_result::kKeysNotSet);
    }
    const std::size_t sector = SectorOfBlock(block);
    if (m_keys.size() < kKeyRecord * (sector + 1)) {
        return Fail(scm_result::kBlockBeyondKeys);
    }
    const std::size_t offset = kKeyRecord * sector + (keyType == kKeyB ? kKeyLength : 0);
    const CByteArray command =
        ReaderCommand({0xFC, 0x20, keyType, 0x00, static_cast<std::uint8_t>(kKeyLength)},
                      m_keys.data() + offset, kKeyLength);
    CByteArray answer;
    return SendReaderCommand(command, answer);
}

std::uint8_t CScmContactlessReader::ExecuteMemoryCommand(const CByteArray& command, CByteArray& response) {
    // Everything is taken from the command before the response is emptied: the caller may pass
    // one array for both.
    if (m_writePending) {
        const std::uint8_t block = m_pendingBlock;
        ClearPendingWrite();
        if (command.size() != kMifareBlock) {
            response.clear();
            return Fail(scm_result::kPendingWriteLength);
        }
        const CByteArray write =
            ReaderCommand({0xFC, 0xD0, block, 0x00, static_cast<std::uint8_t>(kMifareBlock)}, command.data(),
                          command.size());
        response.clear();
        CByteArray answer;
        const std::uint8_t status = SendReaderCommand(write, answer);
        if (status == station::kSuccess) {
            response.assign(1, kMifareAck);
        }
        return status;
    }
    const bool twoBytes = command.size() == 2;
    const std::uint8_t operation = twoBytes ? command[0] : 0;
    const std::uint8_t block = twoBytes ? command[1] : 0;
    response.clear();
    if (twoBytes && operation == kMifareWrite) {
        m_writePending = true;
        m_pendingBlock = block;
        response.assign(1, kMifareAck);
        return Succeed();
    }
    if (twoBytes && operation == kMifareRead) {
        CByteArray answer;
        const std::uint8_t status = SendReaderCommand({0xFC, 0xB0, block, 0x00, 0x00}, answer);
        if (status == station::kSuccess) {
            response.assign(answer.begin(), answer.end() - 2);
        }
        return status;
    }
    return Fail(scm_result::kInvalidCommand);
}

}  // namespace tessaly
