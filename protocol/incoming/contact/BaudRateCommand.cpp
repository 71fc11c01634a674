#include "protocol/incoming/contact/BaudRateCommand.h"

#include "common/Format.h"
#include "common/ValueTable.h"

namespace tessaly {
namespace {

constexpr CodeText kBaudRates[] = {
    {0x11, "9.6kbps"}, {0x12, "19.2kbps"}, {0x13, "38.4kbps"}, {0x14, "76.8kbps"}, {0x18, "115.2kbps"},
};

constexpr CodeText kProtocols[] = {
    {0x00, "Protocol T=0"},
    {0x01, "Protocol T=1"},
    {0xFF, "Keep Current Protocol"},
};

// Presence bits of PPS1, PPS2 and PPS3 in PPS0 (ISO 7816-3).
constexpr std::uint32_t kPps1Present = 0x10;
constexpr std::uint32_t kPps2Present = 0x20;
constexpr std::uint32_t kPps3Present = 0x40;

}  // namespace

CRspSetBaudRate::CRspSetBaudRate(CInBinaryString& body, bool extended) : CResponseFields(extended) {
    ReadBody(body);
}

CString CRspSetBaudRate::BaudRateText::operator()(std::uint32_t code) const {
    return LookupText(kBaudRates, code, "Unknown Value");
}

void CRspSetBaudRate::DescribePps(CBodyDescriber& describer) const {
    describer.Entry(LookupText(kProtocols, m_protocol, "Unknown Protocol Selection"));
    if ((m_pps0 & kPps1Present) != 0) {
        describer.Pair("PPS1 Value", FormatText("%02X", m_pps1));
    }
    if ((m_pps0 & kPps2Present) != 0) {
        describer.Pair("PPS2 Value", FormatText("%02X", m_pps2));
    }
    if ((m_pps0 & kPps3Present) != 0) {
        describer.Pair("PPS3 Value", FormatText("%02X", m_pps3));
    }
}

}  // namespace tessaly
