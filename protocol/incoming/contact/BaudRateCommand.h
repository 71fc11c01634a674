// Set Baud Rate and Issue PPS share sub-command 0x03; the length after the destination tells them
// apart: 1 is a baud-rate code, anything else a protocol byte and the four PPS bytes.
#pragma once

#include <cstdint>

#include "protocol/ObjCommResponse.h"
#include "protocol/ValueCodes.h"

namespace tessaly {

class CRspSetBaudRate final : public CResponseFields<CRspSetBaudRate> {
public:
    static constexpr const char* kClassName = "CRspSetBaudRate";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x03;
    static constexpr std::uint8_t kKeepCurrentProtocol = 0xFF;

    CRspSetBaudRate(CInBinaryString& body, bool extended);

    CString DisplayName() const { return m_isPps ? "Issue PPS" : "Set Baud Rate"; }

    std::uint32_t GetDestination() const { return m_destination; }
    bool IsPps() const { return m_isPps; }
    // Set Baud Rate only (0 for Issue PPS).
    std::uint32_t GetBaudRate() const { return m_baudRate; }
    // Issue PPS only: 0x00 T=0, 0x01 T=1, 0xFF keep current (also the value for Set Baud Rate).
    std::uint32_t GetProtocol() const { return m_protocol; }
    // PPS0 to PPS3; all zero for Set Baud Rate.
    std::uint32_t GetPps0() const { return m_pps0; }
    std::uint32_t GetPps1() const { return m_pps1; }
    std::uint32_t GetPps2() const { return m_pps2; }
    std::uint32_t GetPps3() const { return m_pps3; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination",
             describe::Table{kStationDestinations, "Unknown Destination  Value"});
        if constexpr (V::kReading) {
            m_isPps = v.In().ReadWord() != 1;
        } else {
            v.Skip16(static_cast<std::uint16_t>(m_isPps ? 5 : 1));
        }
        if (!m_isPps) {
            v.U8(m_baudRate, "Baud Rate Value", BaudRateText{});
            if constexpr (V::kReading) {
                m_protocol = kKeepCurrentProtocol;
            }
            return;
        }
        if constexpr (V::kDescribing) {
            DescribePps(v);
        } else {
            v.U8(m_protocol);
            v.U8(m_pps0);
            v.U8(m_pps1);
            v.U8(m_pps2);
            v.U8(m_pps3);
        }
    }

private:
    struct BaudRateText {
        CString operator()(std::uint32_t code) const;
    };
    // The protocol as a single entry, then PPS1 to PPS3 as far as PPS0 announces them.
    void DescribePps(CBodyDescriber& describer) const;

    std::uint32_t m_destination = 0;
    bool m_isPps = false;
    std::uint32_t m_baudRate = 0;
    std::uint32_t m_protocol = 0;
    std::uint32_t m_pps0 = 0;
    std::uint32_t m_pps1 = 0;
    std::uint32_t m_pps2 = 0;
    std::uint32_t m_pps3 = 0;
};

}  // namespace tessaly
