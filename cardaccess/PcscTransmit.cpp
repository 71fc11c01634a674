// Command exchange of CPcscReader: one transaction per command, and under T=0 the completion of
// the answer with GET RESPONSE and the repeat with the length the card asks for.
#include <span>

#include "cardaccess/PcscReader.h"
#include "cardaccess/ReaderErrors.h"

namespace tessaly {

using namespace platform;

namespace {

constexpr std::uint8_t kInsGetResponse = 0xC0;
constexpr std::uint8_t kSw1MoreData = 0x61;
constexpr std::uint8_t kSw1WrongLength = 0x6C;
// A command needs its four header bytes and an Le byte before its Le can be corrected.
constexpr std::size_t kShortestWithLe = 5;

bool IsOk(const CByteArray& answer) {
    return answer.size() == 2 && answer[0] == 0x90 && answer[1] == 0x00;
}

}  // namespace

std::uint8_t CPcscReader::Transmit(std::uint8_t caseByte, const CByteArray& command, CByteArray& response) {
    // A copy first, in case the caller passes one array as command and response; then no earlier
    // answer may pass for the answer to this command, whatever happens below.
    CByteArray sent = command;
    response.clear();
    const CPcscTransaction transaction(m_card.Get());
    if (!transaction.IsBegun()) {
        return Fail(transaction.Result());
    }
    if (sent.empty()) {
        return Fail(station::kUndefinedData);
    }
    const std::uint8_t commandClass = sent[0];
    const std::uint32_t protocol = ActiveProtocol();
    if (m_apduLevel && caseByte == apdu_case::kCase4) {
        TransmitCase4(protocol, sent, commandClass, response);
    } else if (m_apduLevel && caseByte == apdu_case::kCase2) {
        TransmitCase2(protocol, sent, commandClass, response);
    } else {
        TransmitRaw(protocol, caseByte, sent, response);
    }
    return MapReaderError(GetLastResult());
}

std::uint32_t CPcscReader::ActiveProtocol() const {
    PcscCardStatus status;
    // A status query can fail on its own (pcscd reports a card event it saw since the last call):
    // the protocol the connection made active still holds then, where protocol 0 would make the
    // exchange itself fail.
    if (PcscStatus(m_card.Get(), 0, kProtocolQueryBuffer, status) != pcsc::kSuccess) {
        return m_card.Protocol();
    }
    return status.protocol;
}

bool CPcscReader::Exchange(std::uint32_t protocol, const CByteArray& command, CByteArray& target) {
    if (command.empty()) {
        // Nothing is left to send once T=0 has taken the Le of a one-byte command.
        target.clear();
        SetLastResult(station::kUndefinedData);
        return false;
    }
    const PcscResult rv = PcscTransmit(m_card.Get(), protocol, std::span(command), kReceiveBuffer, target);
    SetLastResult(rv);
    return rv == pcsc::kSuccess;
}

bool CPcscReader::GetResponse(std::uint8_t commandClass, std::uint8_t le, CByteArray& target) {
    const std::uint8_t cla =
        m_getResponseClass == -1 ? commandClass : static_cast<std::uint8_t>(m_getResponseClass & 0xFF);
    const CByteArray getResponse{cla, kInsGetResponse, 0x00, 0x00, le};
    return Exchange(ActiveProtocol(), getResponse, target);
}

void CPcscReader::RepeatWithLength(std::uint32_t protocol, CByteArray& sent, std::uint8_t length,
                                   CByteArray& response) {
    if (sent.size() < kShortestWithLe) {
        return;
    }
    sent.back() = length;
    CByteArray work;
    if (Exchange(protocol, sent, work)) {
        response = work;
    }
}

void CPcscReader::TransmitCase4(std::uint32_t protocol, CByteArray& sent, std::uint8_t commandClass,
                                CByteArray& response) {
    const bool t0 = protocol == pcsc::kProtocolT0;
    const std::uint8_t le = sent.back();
    if (t0) {
        sent.pop_back();
    }
    if (!Exchange(protocol, sent, response)) {
        return;
    }
    const bool statusOnly = response.size() == 2;
    const std::uint8_t sw1 = statusOnly ? response[0] : 0;
    const std::uint8_t sw2 = statusOnly ? response[1] : 0;
    if (!t0) {
        if (sw1 == kSw1WrongLength) {
            RepeatWithLength(protocol, sent, sw2, response);
        }
        return;
    }
    // Under T=0 the sent command carries no Le (it was dropped above), so a 6C xx cannot be
    // answered by correcting it: its last byte is command data. The answer stays as it came, as
    // does data followed by 61 xx (a driver that fetched part of the answer itself).
    CByteArray work;
    if (sw1 == kSw1MoreData) {
        if (GetResponse(commandClass, sw2, work)) {
            response = work;
        }
        return;
    }
    if (!IsOk(response)) {
        return;
    }
    // The command succeeded; its answer data, if any, waits behind GET RESPONSE. Only an answer
    // that carries data, is itself 90 00 or announces data replaces the 90 00: a card with nothing
    // to give refuses GET RESPONSE, and that refusal must not turn a success into a failure.
    if (!GetResponse(commandClass, le, work) || work.size() < 2) {
        Succeed();
        return;
    }
    if (work.size() == 2 && (work[0] == kSw1MoreData || work[0] == kSw1WrongLength)) {
        const std::uint8_t available = work[1];
        GetResponse(commandClass, available, work);
        response = work;
    } else if (work.size() > 2 || IsOk(work)) {
        response = work;
    }
}

void CPcscReader::TransmitCase2(std::uint32_t protocol, CByteArray& sent, std::uint8_t commandClass,
                                CByteArray& response) {
    if (!Exchange(protocol, sent, response) || response.size() < 2) {
        return;
    }
    const bool statusOnly = response.size() == 2;
    const std::uint8_t sw1 = response[response.size() - 2];
    const std::uint8_t sw2 = response.back();
    if (protocol == pcsc::kProtocolT0 && sw1 == kSw1MoreData && statusOnly) {
        response.clear();
        GetResponse(commandClass, sw2, response);
        return;
    }
    if (sw1 == kSw1WrongLength && statusOnly) {
        RepeatWithLength(protocol, sent, sw2, response);
    }
}

void CPcscReader::TransmitRaw(std::uint32_t protocol, std::uint8_t caseByte, CByteArray& sent,
                              CByteArray& response) {
    if (protocol == pcsc::kProtocolT0 && caseByte == apdu_case::kCase4) {
        sent.pop_back();
    }
    Exchange(protocol, sent, response);
}

}  // namespace tessaly
