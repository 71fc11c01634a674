// The station's serial ports: line settings and flushing.
#pragma once

#include <cstdint>

#include "protocol/ObjCommResponse.h"
#include "protocol/ValueCodes.h"

namespace tessaly {

// Line settings of Serial Port Configuration.
inline constexpr CodeText kSerialBaudRates[] = {
    {0, "9.6kbps"}, {1, "19.2kbps"}, {2, "38.4kbps"}, {3, "57.6kbps"}, {4, "115.2kbps"},
};
inline constexpr CodeText kSerialParities[] = {{0, "None"}, {1, "Odd"}, {2, "Even"}};
inline constexpr CodeText kSerialDataBits[] = {{0, "5 Bits"}, {1, "6 Bits"}, {2, "7 Bits"}, {3, "8 Bits"}};
inline constexpr CodeText kSerialStopBits[] = {{0, "1 Bit"}, {1, "2 Bits"}, {2, "1.5 Bits"}};
inline constexpr CodeText kSerialFlowControls[] = {{0, "None"}, {1, "Hardware"}, {2, "Xon/Xoff"}};

class CRspConfigSerialPort final : public CResponseFields<CRspConfigSerialPort> {
public:
    static constexpr const char* kClassName = "CRspConfigSerialPort";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x09;
    static constexpr const char* kDisplayName = "Serial Port Configuration";

    CRspConfigSerialPort(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    std::uint32_t GetDestination() const { return m_destination; }
    // 0 9.6k, 1 19.2k, 2 38.4k, 3 57.6k, 4 115.2k.
    std::uint32_t GetBaudRate() const { return m_baudRate; }
    // 0 none, 1 odd, 2 even.
    std::uint32_t GetParity() const { return m_parity; }
    // 0 to 3: 5 to 8 bits.
    std::uint32_t GetDataBits() const { return m_dataBits; }
    // 0 one, 1 two, 2 one and a half.
    std::uint32_t GetStopBits() const { return m_stopBits; }
    // 0 none, 1 hardware, 2 Xon/Xoff.
    std::uint32_t GetFlowControl() const { return m_flowControl; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination", describe::Table{kStationDestinations, "Unknown Value"});
        v.U8(m_baudRate, "Baud Rate Value", describe::Table{kSerialBaudRates, "Unknown Value"});
        v.U8(m_parity, "Parity", describe::Table{kSerialParities, "Unknown Value"});
        v.U8(m_dataBits, "Data bits", describe::Table{kSerialDataBits, "Unknown Value"});
        v.U8(m_stopBits, "Stop Bits", describe::Table{kSerialStopBits, "Unknown Value"});
        v.U8(m_flowControl, "Flow Control", describe::Table{kSerialFlowControls, "Unknown Value"});
    }

private:
    std::uint32_t m_destination = 0;
    std::uint32_t m_baudRate = 0;
    std::uint32_t m_parity = 0;
    std::uint32_t m_dataBits = 0;
    std::uint32_t m_stopBits = 0;
    std::uint32_t m_flowControl = 0;
};

class CRspSerialFlush final : public CResponseFields<CRspSerialFlush> {
public:
    static constexpr const char* kClassName = "CRspSerialFlush";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x22;
    static constexpr const char* kDisplayName = "Serial Flush";

    CRspSerialFlush(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    // 0x80 port A, 0x88 port B.
    std::uint32_t GetDestination() const { return m_destination; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination", PortText{});
    }

private:
    struct PortText {
        CString operator()(std::uint32_t code) const;
    };

    std::uint32_t m_destination = 0;
};

}  // namespace tessaly
