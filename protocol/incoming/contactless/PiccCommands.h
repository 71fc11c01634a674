// Contactless (ISO 14443) pass-through commands for the PICC reader: reset, PPS, antenna tuning, the
// MIFARE key table, authentication, field power and key diversification.
#pragma once

#include <cstdint>

#include "protocol/ObjCommResponse.h"
#include "protocol/ValueCodes.h"
#include "protocol/cipher/CipherEnvelope.h"

namespace tessaly {

// Every contactless command opens with the destination byte; Derived provides kUnknownDestination
// (it differs per command) and VisitParameters for what follows the destination.
template <class Derived>
class CPiccCommand : public CResponseFields<Derived> {
public:
    static constexpr std::uint32_t kCommand = kCommandPassThrough;

    std::uint32_t GetDestination() const { return m_destination; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination", describe::Table{kPiccDestinations, Derived::kUnknownDestination});
        static_cast<Derived&>(*this).VisitParameters(v);
    }

protected:
    explicit CPiccCommand(bool extended) : CResponseFields<Derived>(extended) {}

private:
    std::uint32_t m_destination = 0;
};

// A destination followed by one length-prefixed block of bytes (reset data, key data).
template <class Derived>
class CPiccDataCommand : public CPiccCommand<Derived> {
public:
    template <class V>
    void VisitParameters(V& v) {
        v.Bytes(m_data, LengthPrefix::TwoBytes, Derived::kDataLabel, describe::HexData{});
    }

protected:
    explicit CPiccDataCommand(bool extended) : CPiccCommand<Derived>(extended) {}

    CByteArray m_data;
};

class CRspPiccReset final : public CPiccDataCommand<CRspPiccReset> {
public:
    static constexpr const char* kClassName = "CRspPiccReset";
    static constexpr int kSubCommand = 0x30;
    static constexpr const char* kDisplayName = "Reset PICC Card";
    static constexpr const char* kUnknownDestination = "Unknown Value";
    static constexpr const char* kDataLabel = "Reset Data";

    CRspPiccReset(CInBinaryString& body, bool extended) : CPiccDataCommand(extended) { ReadBody(body); }

    const CByteArray& GetResetData() const { return m_data; }
};

class CRspPiccIssuePPS final : public CPiccCommand<CRspPiccIssuePPS> {
public:
    static constexpr const char* kClassName = "CRspPiccIssuePPS";
    static constexpr int kSubCommand = 0x31;
    static constexpr const char* kDisplayName = "PICC Issue PPS";
    static constexpr const char* kUnknownDestination = "Unknown Destination Value";

    CRspPiccIssuePPS(CInBinaryString& body, bool extended) : CPiccCommand(extended) { ReadBody(body); }

    std::uint32_t GetPps1() const { return m_pps1; }

    template <class V>
    void VisitParameters(V& v) {
        v.U8(m_pps1, "PPS1 Value", describe::UpperHex2{});
    }

private:
    std::uint32_t m_pps1 = 0;
};

class CRspPiccAntennaTuning final : public CPiccCommand<CRspPiccAntennaTuning> {
public:
    static constexpr const char* kClassName = "CRspPiccAntennaTuning";
    static constexpr int kSubCommand = 0x32;
    static constexpr const char* kDisplayName = "PICC Antenna Tuning";
    static constexpr const char* kUnknownDestination = "Unknown Destination Value";

    CRspPiccAntennaTuning(CInBinaryString& body, bool extended) : CPiccCommand(extended) { ReadBody(body); }

    template <class V>
    void VisitParameters(V& /*v*/) {}
};

// The key data is an enciphered envelope; the executor unwraps it before loading the key table.
class CRspSetKeys final : public CPiccDataCommand<CRspSetKeys> {
public:
    static constexpr const char* kClassName = "CRspSetKeys";
    static constexpr int kSubCommand = 0x33;
    static constexpr const char* kDisplayName = "Set Keys";
    static constexpr const char* kUnknownDestination = "Unknown Value";
    static constexpr const char* kDataLabel = "Key Data";

    CRspSetKeys(CInBinaryString& body, bool extended) : CPiccDataCommand(extended) { ReadBody(body); }

    const CByteArray& GetKeyData() const { return m_data; }
    // Unwraps the enciphered key data into `out`; false (and `out` empty) when it does not open.
    bool DecryptKeyData(const CCipherContext& context, CByteArray& out) const {
        return DecryptEnvelope(context, m_data, out);
    }
};

class CRspPiccAuthenticate final : public CPiccCommand<CRspPiccAuthenticate> {
public:
    static constexpr const char* kClassName = "CRspPiccAuthenticate";
    static constexpr int kSubCommand = 0x34;
    static constexpr const char* kDisplayName = "PICC Authenticate";
    static constexpr const char* kUnknownDestination = "Unknown Value";

    CRspPiccAuthenticate(CInBinaryString& body, bool extended) : CPiccCommand(extended) { ReadBody(body); }

    bool GetOption() const { return m_option != 0; }
    const CByteArray& GetData() const { return m_data; }

    template <class V>
    void VisitParameters(V& v) {
        // The option byte is kept as it came so that the body is written back unchanged.
        v.U8(m_option);
        v.Bytes(m_data, LengthPrefix::TwoBytes, "Data", describe::HexData{});
    }

private:
    std::uint8_t m_option = 0;
    CByteArray m_data;
};

class CRspPiccPower final : public CPiccCommand<CRspPiccPower> {
public:
    static constexpr const char* kClassName = "CRspPiccPower";
    static constexpr int kSubCommand = 0x35;
    static constexpr const char* kDisplayName = "PICC Power";
    static constexpr const char* kUnknownDestination = "Unknown Destination Value";

    CRspPiccPower(CInBinaryString& body, bool extended) : CPiccCommand(extended) { ReadBody(body); }

    bool IsPowerOn() const { return m_powerOn != 0; }
    std::uint32_t GetCarrierFieldStrength() const { return m_carrierFieldStrength; }

    template <class V>
    void VisitParameters(V& v) {
        v.U8(m_powerOn);
        if constexpr (V::kDescribing) {
            v.Entry(IsPowerOn() ? "Turn Power On" : "Turn Power Off");
        }
        v.U32(m_carrierFieldStrength, "Carrier Field Strength", describe::LowerHex8{});
    }

private:
    std::uint8_t m_powerOn = 0;
    std::uint32_t m_carrierFieldStrength = 0;
};

class CRspDiversifyKeys final : public CPiccDataCommand<CRspDiversifyKeys> {
public:
    static constexpr const char* kClassName = "CRspDiversifyKeys";
    static constexpr int kSubCommand = 0x36;
    static constexpr const char* kDisplayName = "Diversify Keys";
    static constexpr const char* kUnknownDestination = "Unknown Destination Value";
    static constexpr const char* kDataLabel = "Key Data";

    CRspDiversifyKeys(CInBinaryString& body, bool extended) : CPiccDataCommand(extended) { ReadBody(body); }

    const CByteArray& GetKeyData() const { return m_data; }
};

}  // namespace tessaly
