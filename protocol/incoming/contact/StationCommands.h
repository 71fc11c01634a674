// Station housekeeping: NAD, hardware version, keep-alive, resend, card type and station selection.
#pragma once

#include <cstdint>

#include "protocol/ObjCommResponse.h"
#include "protocol/ValueCodes.h"

namespace tessaly {

class CRspSetNAD final : public CResponseFields<CRspSetNAD> {
public:
    static constexpr const char* kClassName = "CRspSetNAD";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x08;
    static constexpr const char* kDisplayName = "Set NAD";

    CRspSetNAD(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    std::uint32_t GetDestination() const { return m_destination; }
    std::uint32_t GetNad() const { return m_nad; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination",
             describe::Table{kStationDestinations, "Unknown Destination  Value"});
        v.U8(m_nad, "NAD Value", describe::Dec{});
    }

private:
    std::uint32_t m_destination = 0;
    std::uint32_t m_nad = 0;
};

// Commands without a body.
template <class Derived>
class CEmptyCommand : public CResponseFields<Derived> {
public:
    static constexpr std::uint32_t kCommand = kCommandPassThrough;

    template <class V>
    void Visit(V& /*v*/) {}

protected:
    explicit CEmptyCommand(bool extended) : CResponseFields<Derived>(extended) {}
};

class CRspGetHardwareVersion final : public CEmptyCommand<CRspGetHardwareVersion> {
public:
    static constexpr const char* kClassName = "CRspGetHardwareVersion";
    static constexpr int kSubCommand = 0x0A;
    static constexpr const char* kDisplayName = "Retrieve Hardware Version";

    CRspGetHardwareVersion(CInBinaryString& /*body*/, bool extended) : CEmptyCommand(extended) {}
};

class CRspKeepAlive final : public CEmptyCommand<CRspKeepAlive> {
public:
    static constexpr const char* kClassName = "CRspKeepAlive";
    static constexpr int kSubCommand = 0x13;
    static constexpr const char* kDisplayName = "Keep Alive";

    CRspKeepAlive(CInBinaryString& /*body*/, bool extended) : CEmptyCommand(extended) {}
};

// The host asks for the last answer again.
class CRspResend final : public CResponseFields<CRspResend> {
public:
    static constexpr const char* kClassName = "CRspResend";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x10;
    static constexpr const char* kDisplayName = "Resend Data";

    CRspResend(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    // The reserved byte as it arrived; GetBody writes 0 in its place.
    std::uint32_t GetReserved() const { return m_reserved; }
    std::uint32_t GetErrorCode() const { return m_errorCode; }

    template <class V>
    void Visit(V& v) {
        if constexpr (V::kReading) {
            v.U8(m_reserved);
        } else {
            v.Skip8(0);
        }
        v.U8(m_errorCode, "Error Code", ErrorText{});
    }

private:
    struct ErrorText {
        CString operator()(std::uint32_t code) const;
    };

    std::uint32_t m_reserved = 0;
    std::uint32_t m_errorCode = 0;
};

class CRspSetCardType final : public CResponseFields<CRspSetCardType> {
public:
    static constexpr const char* kClassName = "CRspSetCardType";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x17;
    static constexpr const char* kDisplayName = "Set Card Type";
    // "ISO 7816-3, T=0/T=1": a contact card.
    static constexpr std::uint32_t kContactCard = 0x02;

    CRspSetCardType(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    std::uint32_t GetCardType() const { return m_cardType; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_cardType, "Card Type", CardTypeText{});
    }

private:
    struct CardTypeText {
        CString operator()(std::uint32_t code) const;
    };

    std::uint32_t m_cardType = 0;
};

class CRspSelectStation final : public CResponseFields<CRspSelectStation> {
public:
    static constexpr const char* kClassName = "CRspSelectStation";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x21;
    static constexpr const char* kDisplayName = "Select Station";

    CRspSelectStation(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    std::uint32_t GetStationNumber() const { return m_stationNumber; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_stationNumber, "Station Number", describe::Dec{});
    }

private:
    std::uint32_t m_stationNumber = 0;
};

}  // namespace tessaly
