// Acknowledgements of the contactless commands that carry data besides the return code. Their return
// codes are always 4 bytes.
#pragma once

#include <cstdint>

#include "protocol/ObjCommMessage.h"
#include "protocol/cipher/CipherEnvelope.h"
#include "protocol/outgoing/MessageLayout.h"

namespace tessaly {

// rc4; data as bytes16. Derived provides kDataLabel.
template <class Derived>
class CReturnCodeDataAck : public CMessageFields<Derived> {
public:
    static constexpr std::uint32_t kCommand = kCommandPassThrough;

    std::uint32_t GetReturnCode() const { return m_returnCode; }
    const CByteArray& GetData() const { return m_data; }

    template <class V>
    void Visit(V& v) {
        layout::ReturnCode4(v, m_returnCode);
        v.Bytes(m_data, LengthPrefix::TwoBytes, Derived::kDataLabel, describe::HexOrNone{});
    }

protected:
    CReturnCodeDataAck(std::uint32_t returnCode, CByteArray data, bool extended)
        : CMessageFields<Derived>(extended),
          m_returnCode(returnCode),
          m_data(layout::Clip(std::move(data), LengthPrefix::TwoBytes)) {}
    CReturnCodeDataAck(CInBinaryString& body, bool extended) : CMessageFields<Derived>(extended) {
        ReadLayout(*this, body);
    }

    void SetReturnCode(std::uint32_t returnCode) { m_returnCode = returnCode; }
    CByteArray& Data() { return m_data; }

private:
    std::uint32_t m_returnCode = 0;
    CByteArray m_data;
};

class CMsgPiccReset final : public CReturnCodeDataAck<CMsgPiccReset> {
public:
    static constexpr const char* kClassName = "CMsgPiccReset";
    static constexpr int kSubCommand = 0x30;
    static constexpr const char* kTitle = "Reset PICC Card Acknowledge";
    static constexpr const char* kDataLabel = "Response Data";

    CMsgPiccReset(std::uint32_t returnCode, CByteArray response, bool extended)
        : CReturnCodeDataAck(returnCode, std::move(response), extended) {}
    CMsgPiccReset(CInBinaryString& body, bool extended) : CReturnCodeDataAck(body, extended) {}
};

class CMsgPiccAuthenticate final : public CReturnCodeDataAck<CMsgPiccAuthenticate> {
public:
    static constexpr const char* kClassName = "CMsgPiccAuthenticate";
    static constexpr int kSubCommand = 0x34;
    static constexpr const char* kTitle = "PICC Authenticate Acknowledge";
    static constexpr const char* kDataLabel = "Data";

    CMsgPiccAuthenticate(std::uint32_t returnCode, CByteArray data, bool extended)
        : CReturnCodeDataAck(returnCode, std::move(data), extended) {}
    CMsgPiccAuthenticate(CInBinaryString& body, bool extended) : CReturnCodeDataAck(body, extended) {}
};

// rc4; the enciphered envelope of the data as bytes16. Should the envelope fail, the data is empty and
// the return code 0x89 (enciphered data could not be handled).
class CMsgDiversifyKeys final : public CReturnCodeDataAck<CMsgDiversifyKeys> {
public:
    static constexpr const char* kClassName = "CMsgDiversifyKeys";
    static constexpr int kSubCommand = 0x36;
    static constexpr const char* kTitle = "Diversify Keys Acknowledge";
    static constexpr const char* kDataLabel = "Data";
    static constexpr std::uint32_t kEnvelopeFailed = 0x89;

    CMsgDiversifyKeys(std::uint32_t returnCode, const CByteArray& data, const CCipherContext& context,
                      bool extended);
    // Host side: the data is the envelope as it travels.
    CMsgDiversifyKeys(CInBinaryString& body, bool extended) : CReturnCodeDataAck(body, extended) {}

    bool EnvelopeFailed() const { return m_envelopeFailed; }

private:
    bool m_envelopeFailed = false;
};

// rc4; tuning value (4).
class CMsgPiccAntennaTuning final : public CMessageFields<CMsgPiccAntennaTuning> {
public:
    static constexpr const char* kClassName = "CMsgPiccAntennaTuning";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x32;
    static constexpr const char* kTitle = "PICC Antenna Tuning Acknowledge";

    CMsgPiccAntennaTuning(std::uint32_t returnCode, std::uint32_t tuningValue, bool extended)
        : CMessageFields(extended), m_returnCode(returnCode), m_tuningValue(tuningValue) {}
    CMsgPiccAntennaTuning(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    std::uint32_t GetReturnCode() const { return m_returnCode; }
    std::uint32_t GetTuningValue() const { return m_tuningValue; }

    template <class V>
    void Visit(V& v) {
        layout::ReturnCode4(v, m_returnCode);
        v.U32(m_tuningValue, "Tuning Value", describe::Dec{});
    }

private:
    std::uint32_t m_returnCode = 0;
    std::uint32_t m_tuningValue = 0;
};

}  // namespace tessaly
