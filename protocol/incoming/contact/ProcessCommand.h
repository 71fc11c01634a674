// Process: one APDU or raw exchange. For the contact station the data is also taken apart as an
// ISO 7816-4 command, unless the case byte is 0x35 or the data is an enciphered envelope.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/ObjCommResponse.h"
#include "protocol/ValueCodes.h"

namespace tessaly {

class CCipherContext;

class CRspProcess final : public CResponseFields<CRspProcess> {
public:
    static constexpr const char* kClassName = "CRspProcess";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x05;
    static constexpr const char* kDisplayName = "Process Command";

    // Flags bits (present only when extended).
    static constexpr std::uint16_t kFlagEncryptedData = 0x0002;    // data is an envelope, never split
    static constexpr std::uint16_t kFlagEncryptedAnswer = 0x0004;  // answer (and bulk expectation) enciphered
    // APDU case bytes (ASCII digits); 0x35 is never split.
    static constexpr std::uint8_t kCase1 = 0x31;
    static constexpr std::uint8_t kCase2 = 0x32;
    static constexpr std::uint8_t kCase3 = 0x33;
    static constexpr std::uint8_t kCase4 = 0x34;
    static constexpr std::uint8_t kCaseNoSplit = 0x35;

    CRspProcess(CInBinaryString& body, bool extended);

    std::uint32_t GetDestination() const { return m_destination; }
    std::uint32_t GetTimeOut() const { return m_timeOut; }
    std::uint32_t GetApduCase() const { return m_apduCase; }
    std::uint16_t GetFlags() const { return m_flags; }
    bool HasEncryptedData() const { return (m_flags & kFlagEncryptedData) != 0; }
    bool WantsEncryptedAnswer() const { return (m_flags & kFlagEncryptedAnswer) != 0; }
    const CByteArray& GetData() const { return m_data; }
    // With flag 0x0002, unwraps the enciphered data into `out` and returns true. Returns false and
    // leaves `out` untouched when the data is not enciphered; returns false with `out` empty when the
    // envelope does not open (check HasEncryptedData to tell the two apart).
    bool DecryptData(const CCipherContext& context, CByteArray& out) const;

    // The ISO 7816-4 parts; meaningful only when IsSplit().
    bool IsSplit() const { return m_split; }
    std::uint8_t GetCla() const { return m_cla; }
    std::uint8_t GetIns() const { return m_ins; }
    std::uint8_t GetP1() const { return m_p1; }
    std::uint8_t GetP2() const { return m_p2; }
    const CByteArray& GetLcData() const { return m_lcData; }
    std::uint8_t GetLe() const { return m_le; }

    // Bytes the body takes on the wire: data length + 5, or + 7 with the flags word.
    std::size_t BodyLength() const { return m_data.size() + (IsExtended() ? 7U : 5U); }
    // Appends the body in its arrival layout; the prefix mode of `out` is left at none.
    void WriteBody(COutBinaryString& out) const;

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination", describe::Table{kAllDestinations, "Unknown Value"});
        v.U8(m_timeOut, "Time Out Value", describe::Dec{});
        v.U8(m_apduCase, "APDU", CaseText{});
        if (IsExtended()) {
            v.U16(m_flags, "Flags", describe::UpperHex4{});
        }
        if constexpr (V::kDescribing) {
            DescribeData(v);
        } else {
            v.Bytes(m_data, LengthPrefix::TwoBytes);
        }
        if constexpr (V::kReading) {
            if (ShouldSplit()) {
                Split();
            }
        }
    }

private:
    struct CaseText {
        CString operator()(std::uint32_t code) const;
    };
    bool ShouldSplit() const;
    // Reads the APDU parts from the data; throws CInBinaryStringException when the data is too short.
    void Split();
    // The APDU parts after a split, otherwise the whole data.
    void DescribeData(CBodyDescriber& describer) const;

    std::uint32_t m_destination = 0;
    std::uint32_t m_timeOut = 0;
    std::uint32_t m_apduCase = 0;
    std::uint16_t m_flags = 0;
    bool m_split = false;
    std::uint8_t m_cla = 0;
    std::uint8_t m_ins = 0;
    std::uint8_t m_p1 = 0;
    std::uint8_t m_p2 = 0;
    std::uint8_t m_le = 0;
    CByteArray m_data;
    CByteArray m_lcData;
};

}  // namespace tessaly
