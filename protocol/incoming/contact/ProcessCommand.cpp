#include "protocol/incoming/contact/ProcessCommand.h"

#include "common/ValueTable.h"
#include "protocol/cipher/CipherEnvelope.h"

namespace tessaly {
namespace {

constexpr CodeText kApduCases[] = {
    {0x31, "CASE 1"},
    {0x32, "CASE 2"},
    {0x33, "CASE 3"},
    {0x34, "CASE 4"},
};

// Reads the APDU parts in place over the data, without copying it into a byte string of its own.
// Running past the end fails exactly like a short body.
class CDataCursor {
public:
    explicit CDataCursor(const CByteArray& data) : m_data(data) {}

    std::uint8_t Byte() {
        Need(1);
        return m_data[m_at++];
    }
    void Bytes(CByteArray& target, std::size_t count) {
        Need(count);
        const auto first = m_data.begin() + static_cast<std::ptrdiff_t>(m_at);
        target.assign(first, first + static_cast<std::ptrdiff_t>(count));
        m_at += count;
    }

private:
    void Need(std::size_t count) {
        if (count > m_data.size() - m_at) {
            throw CInBinaryStringException{static_cast<std::int32_t>(m_data.size())};
        }
    }

    const CByteArray& m_data;
    std::size_t m_at = 0;
};

}  // namespace

CRspProcess::CRspProcess(CInBinaryString& body, bool extended) : CResponseFields(extended) {
    ReadBody(body);
}

CString CRspProcess::CaseText::operator()(std::uint32_t code) const {
    return LookupText(kApduCases, code, "Non-ISO");
}

void CRspProcess::WriteBody(COutBinaryString& out) const {
    CBodyWriter writer(out);
    // The writer only reads the fields; Visit is shared with the reader, hence not const.
    const_cast<CRspProcess&>(*this).Visit(writer);
}

bool CRspProcess::ShouldSplit() const {
    const bool contactStation = m_destination == kDestinationKbx || m_destination == kDestinationExKbx;
    return contactStation && m_apduCase != kCaseNoSplit && !HasEncryptedData();
}

void CRspProcess::Split() {
    CDataCursor apdu(m_data);
    m_cla = apdu.Byte();
    m_ins = apdu.Byte();
    m_p1 = apdu.Byte();
    m_p2 = apdu.Byte();
    if (m_apduCase == kCase2) {
        m_le = apdu.Byte();
    } else if (m_apduCase == kCase3 || m_apduCase == kCase4) {
        const std::size_t lc = apdu.Byte();
        apdu.Bytes(m_lcData, lc);
        if (m_apduCase == kCase4) {
            m_le = apdu.Byte();
        }
    }
    m_split = true;
}

void CRspProcess::DescribeData(CBodyDescriber& describer) const {
    const describe::HexOrNone hexOrNone;
    const describe::UpperHex2 upperHex2;
    if (!m_split) {
        describer.Pair("Data", hexOrNone(m_data));
        return;
    }
    describer.Pair("CLA", upperHex2(m_cla));
    describer.Pair("INS", upperHex2(m_ins));
    describer.Pair("P1", upperHex2(m_p1));
    describer.Pair("P2", upperHex2(m_p2));
    if (m_apduCase == kCase3 || m_apduCase == kCase4) {
        describer.Pair("Lc Data", hexOrNone(m_lcData));
    }
    if (m_apduCase == kCase2 || m_apduCase == kCase4) {
        describer.Pair("Le", upperHex2(m_le));
    }
}

bool CRspProcess::DecryptData(const CCipherContext& context, CByteArray& out) const {
    if (!HasEncryptedData()) {
        return false;
    }
    return DecryptEnvelope(context, m_data, out);
}

}  // namespace tessaly
