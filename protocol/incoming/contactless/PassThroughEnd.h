// The host's end of pass-through mode (sub-code 0xFF): Finish when the transaction number is 0,
// Complete, with the host's verdict on the card, otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/ValueTable.h"
#include "protocol/ObjCommResponse.h"

namespace tessaly {

// Accept codes of the host's verdict on a card.
inline constexpr CodeText kPassThroughAcceptCodes[] = {
    {0x00, "OK Card"},
    {0x01, "Card failed, but resusable, see error code for detail"},
    {0x91, "Checksum error in command packet."},
    {0x92, "Command packet header mismatch."},
    {0x93, "Unknown command."},
    {0x94, "Command data is corrupted."},
    {0xD0, "Cannot find DLL"},
    {0xD1, "Cannot load DLL properly"},
    {0xD2, "The ZOLT application version is unknown."},
    {0xD4, "Resend time exceeds Max(3)"},
    {0xD5,
     "Unable to get response back from ZOLT application after sending message to it in a period of time "
     "(configurable)"},
    {0xD8, "The application name is blank."},
    {0xD9, "The application configuration is invalid or missing."},
    {0xE0, "The data reference is unknown."},
    {0xE1, "A Resource Controller error was encountered."},
    {0xE2, "The module or station is invalid."},
    {0xE3, "The ZOLT application threw an unhandled exception."},
    {0xE4, "Unable to acquire thread exclusive resources."},
    {0xFA, "DOVR device conflict."},
    {0xFB, "An internal failure occurred."},
    {0xFC, "ZOLT initialization failed."},
    {0xFD, "Non-ASCII character in DLL error code returned by ZOLT application."},
    {0xFE, "ZOLT application returned an unknown accept code."},
    {0xFF, "Dll error"},
};

class CRspPassThroughModeFinish final : public CResponseFields<CRspPassThroughModeFinish> {
public:
    static constexpr const char* kClassName = "CRspPassThroughModeFinish";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0xFF;
    static constexpr const char* kDisplayName = "Card Processing Finish Acknowledge";

    CRspPassThroughModeFinish(CInBinaryString& body, bool extended) : CResponseFields(extended) {
        ReadBody(body);
    }

    template <class V>
    void Visit(V& /*v*/) {}
};

class CRspPassThroughModeComplete : public CResponseFields<CRspPassThroughModeComplete> {
public:
    static constexpr const char* kClassName = "CRspPassThroughModeComplete";
    // Same codes as the Finish: the transaction number tells them apart.
    static constexpr std::uint32_t kCommand = CRspPassThroughModeFinish::kCommand;
    static constexpr int kSubCommand = CRspPassThroughModeFinish::kSubCommand;
    static constexpr const char* kDisplayName = CRspPassThroughModeFinish::kDisplayName;
    static constexpr std::uint8_t kAcceptOkCard = 0x00;
    static constexpr std::uint8_t kAcceptDllError = 0xFF;
    static constexpr std::size_t kDllErrorLength = 5;
    // The DLL error of a Complete whose body ends after the accept code.
    static constexpr const char* kNoDllError = "00000";

    CRspPassThroughModeComplete(CInBinaryString& body, bool extended) : CResponseFields(extended) {
        ReadBody(body);
    }

    // Replaces the audit data. Data that a 16-bit length cannot carry is refused (false) and the
    // audit data stays as it was, so that GetBody always writes a consistent body.
    virtual bool SetAuditData(const CByteArray& data);
    virtual std::uint32_t GetAcceptCode() const { return m_acceptCode; }
    virtual CString GetDllError() const { return m_dllError; }
    virtual const CByteArray& GetAuditData() const { return m_auditData; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_acceptCode, "Accept Code", describe::Table{kPassThroughAcceptCodes, "Unknown Value"});
        if constexpr (V::kReading) {
            if (v.AtEnd()) {
                return;  // a bare accept code: no DLL error, no audit data
            }
        }
        v.FixedText(m_dllError, kDllErrorLength, "Dll returned error");
        v.Bytes(m_auditData, LengthPrefix::TwoBytes, "Audit Data", describe::HexOrNone{});
    }

private:
    std::uint32_t m_acceptCode = 0;
    CString m_dllError = kNoDllError;
    CByteArray m_auditData;
};

}  // namespace tessaly
