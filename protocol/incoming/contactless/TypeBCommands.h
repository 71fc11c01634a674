// The ISO 14443-3 Type B commands REQB, WUPB, ATTRIB and HLTB, addressed to the PICC reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "common/TextEncoding.h"
#include "protocol/incoming/contactless/PiccCommands.h"

namespace tessaly {

// The Type B commands share the unknown-destination text and the 4-byte PUPI field.
template <class Derived>
class CTypeBCommand : public CPiccCommand<Derived> {
public:
    static constexpr const char* kUnknownDestination = "Unknown Destination Value";
    static constexpr std::size_t kPupiLength = 4;

protected:
    explicit CTypeBCommand(bool extended) : CPiccCommand<Derived>(extended) {}

    // The PUPI: a fixed-width run of bytes without a length, shown as hex.
    template <class V>
    static void VisitPupi(V& v, CByteArray& field, const char* label) {
        if constexpr (V::kReading) {
            v.In().ReadBytes(field, static_cast<std::int64_t>(kPupiLength));
        } else if constexpr (V::kWriting) {
            CByteArray fixed = field;
            fixed.resize(kPupiLength, 0);
            v.Out().SetLengthPrefix(LengthPrefix::None).AppendBytes(fixed);
        } else {
            v.Pair(label, HexString(field));
        }
    }
};

// REQB and WUPB share their body: AFI and the slot parameter N.
template <class Derived>
class CTypeBRequest : public CTypeBCommand<Derived> {
public:
    std::uint32_t GetAfi() const { return m_afi; }
    std::uint32_t GetN() const { return m_n; }

    template <class V>
    void VisitParameters(V& v) {
        v.U8(m_afi, "AFI", describe::UpperHex2{});
        v.U8(m_n, "N", describe::UpperHex2{});
    }

protected:
    explicit CTypeBRequest(bool extended) : CTypeBCommand<Derived>(extended) {}

private:
    std::uint32_t m_afi = 0;
    std::uint32_t m_n = 0;
};

class CRspReqb final : public CTypeBRequest<CRspReqb> {
public:
    static constexpr const char* kClassName = "CRspReqb";
    static constexpr int kSubCommand = 0x37;
    static constexpr const char* kDisplayName = "REQB";

    CRspReqb(CInBinaryString& body, bool extended) : CTypeBRequest(extended) { ReadBody(body); }
};

class CRspWupb final : public CTypeBRequest<CRspWupb> {
public:
    static constexpr const char* kClassName = "CRspWupb";
    static constexpr int kSubCommand = 0x38;
    static constexpr const char* kDisplayName = "WUPB";

    CRspWupb(CInBinaryString& body, bool extended) : CTypeBRequest(extended) { ReadBody(body); }
};

class CRspAttrib final : public CTypeBCommand<CRspAttrib> {
public:
    static constexpr const char* kClassName = "CRspAttrib";
    static constexpr int kSubCommand = 0x39;
    static constexpr const char* kDisplayName = "ATTRIB";

    CRspAttrib(CInBinaryString& body, bool extended) : CTypeBCommand(extended) { ReadBody(body); }

    const CByteArray& GetIdentifier() const { return m_identifier; }
    std::uint32_t GetMinimumTr0() const { return m_parameters[0]; }
    std::uint32_t GetMinimumTr1() const { return m_parameters[1]; }
    std::uint32_t GetEof() const { return m_parameters[2]; }
    std::uint32_t GetSof() const { return m_parameters[3]; }
    std::uint32_t GetBitRateToPcd() const { return m_parameters[4]; }
    std::uint32_t GetBitRateToPicc() const { return m_parameters[5]; }
    std::uint32_t GetMaximumFrameSize() const { return m_parameters[6]; }
    std::uint32_t GetProtocol() const { return m_parameters[7]; }
    const CByteArray& GetInf() const { return m_inf; }

    template <class V>
    void VisitParameters(V& v) {
        static constexpr const char* kParameterLabels[] = {
            "Minimum TR0",
            "Minimum TR1",
            "EOF",
            "SOF",
            "Bit Rate Selection to PCD",
            "Bit Rate Selection to PICC",
            "Maximum Frame Size",
            "Protocol",
        };
        static_assert(std::size(kParameterLabels) == kParameterCount);
        VisitPupi(v, m_identifier, "Identifier");
        for (std::size_t i = 0; i < m_parameters.size(); ++i) {
            v.U8(m_parameters[i], kParameterLabels[i], describe::UpperHex2{});
        }
        v.Bytes(m_inf, LengthPrefix::TwoBytes, "INF", describe::HexData{});
    }

private:
    CByteArray m_identifier;
    static constexpr std::size_t kParameterCount = 8;
    std::array<std::uint32_t, kParameterCount> m_parameters{};
    CByteArray m_inf;
};

class CRspHltb final : public CTypeBCommand<CRspHltb> {
public:
    static constexpr const char* kClassName = "CRspHltb";
    static constexpr int kSubCommand = 0x3A;
    static constexpr const char* kDisplayName = "HLTB";

    CRspHltb(CInBinaryString& body, bool extended) : CTypeBCommand(extended) { ReadBody(body); }

    const CByteArray& GetIdentifier() const { return m_identifier; }

    template <class V>
    void VisitParameters(V& v) {
        VisitPupi(v, m_identifier, "Identifier");
    }

private:
    CByteArray m_identifier;
};

}  // namespace tessaly
