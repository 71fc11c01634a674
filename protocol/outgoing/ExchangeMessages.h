// Answers that keep the exchange going: the operator's answer to a message, resend, keep-alive and
// the health check.
#pragma once

#include <cstdint>

#include "common/ValueTable.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/outgoing/MessageLayout.h"
#include "protocol/outgoing/SimpleAcks.h"

namespace tessaly {

// The operator dialog's return codes.
inline constexpr std::uint8_t kMessageCancel = 'C';
inline constexpr std::uint8_t kMessageError = 'E';
inline constexpr std::uint8_t kMessageNo = 'N';
inline constexpr std::uint8_t kMessageOk = 'O';
inline constexpr std::uint8_t kMessageStopJob = 'S';
inline constexpr std::uint8_t kMessageYes = 'Y';
inline constexpr CodeText kMessageReturnCodes[] = {
    {kMessageCancel, "Operator Clicked 'CANCEL'"},
    {kMessageError, "Message could not be displayed due to error."},
    {kMessageNo, "Operator Clicked 'NO'"},
    {kMessageOk, "Operator Clicked 'OK'"},
    {kMessageStopJob, "Operator wants to terminate Job"},
    {kMessageYes, "Operator Clicked 'YES'"},
};

// Return code (1 character, never widened); the operator's text as str8 (cut to 255 bytes).
class CMsgMessage final : public CMessageFields<CMsgMessage> {
public:
    static constexpr const char* kClassName = "CMsgMessage";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x20;
    static constexpr const char* kTitle = "Message Acknowledge";

    CMsgMessage(std::uint8_t returnCode, CString text, bool extended)
        : CMessageFields(extended),
          m_returnCode(returnCode),
          m_text(layout::Clip(std::move(text), LengthPrefix::OneByte)) {}
    CMsgMessage(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    std::uint8_t GetReturnCode() const { return m_returnCode; }
    const CString& GetText() const { return m_text; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_returnCode, "Return Code", describe::Table{kMessageReturnCodes, "Unknown Value"});
        v.Text(m_text, LengthPrefix::OneByte, "Data entered by user");
    }

private:
    std::uint8_t m_returnCode = 0;
    CString m_text;
};

// Error codes of a resend request.
inline constexpr CodeText kResendErrorCodes[] = {
    {0x01, "HeaderUnmatched"},
    {0x02, "MessageCorrupted"},
    {0x91, "ChecksumError"},
    {0x93, "UnknownCommand"},
};

// Echoes a resend request's return code and error code.
class CMsgResend final : public CMessageFields<CMsgResend> {
public:
    static constexpr const char* kClassName = "CMsgResend";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x10;
    static constexpr const char* kTitle = "Resend Data";

    CMsgResend(std::uint8_t returnCode, std::uint8_t errorCode, bool extended)
        : CMessageFields(extended), m_returnCode(returnCode), m_errorCode(errorCode) {}
    CMsgResend(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    std::uint8_t GetReturnCode() const { return m_returnCode; }
    std::uint8_t GetErrorCode() const { return m_errorCode; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_returnCode, "Return Code", describe::LowerHex2{});
        v.U8(m_errorCode, "Error Code", describe::Table{kResendErrorCodes, "Unknown Value"});
    }

private:
    std::uint8_t m_returnCode = 0;
    std::uint8_t m_errorCode = 0;
};

class CMsgKeepAlive final : public CEmptyAck<CMsgKeepAlive> {
public:
    static constexpr const char* kClassName = "CMsgKeepAlive";
    static constexpr int kSubCommand = 0x13;
    static constexpr const char* kTitle = "Keep Alive Acknowledge";

    explicit CMsgKeepAlive(bool extended) : CEmptyAck(extended) {}
    CMsgKeepAlive(CInBinaryString& body, bool extended) : CEmptyAck(extended) { ReadBody(body); }
};

// Command 0x99, empty body; the only message that can travel in the short form.
class CMsgHealthCheck final : public CMessageFields<CMsgHealthCheck> {
public:
    static constexpr const char* kClassName = "CMsgHealthCheck";
    static constexpr std::uint32_t kCommand = 0x99;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kTitle = "Health Check Request ";

    CMsgHealthCheck(bool longForm, bool extended) : CMessageFields(extended), m_longForm(longForm) {}
    // Host side; `longForm` tells the frame it arrived in.
    CMsgHealthCheck(CInBinaryString& body, bool extended, bool longForm)
        : CMessageFields(extended), m_longForm(longForm) {
        ReadBody(body);
    }

    bool UsesLongForm() const override { return m_longForm; }

    template <class V>
    void Visit(V& /*v*/) {}

private:
    bool m_longForm;
};

}  // namespace tessaly
