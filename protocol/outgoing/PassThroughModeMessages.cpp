#include "protocol/outgoing/PassThroughModeMessages.h"

namespace tessaly {
namespace {

constexpr std::uint8_t kDataFromController = 0;

bool SetStatus(CString& statuses, std::size_t index, bool present) {
    if (index >= statuses.size()) {
        return false;
    }
    statuses[index] = static_cast<char>(present ? kStationPresent : kStationAbsent);
    return true;
}

}  // namespace

CMsgTarnStartPassThroughMode::CMsgTarnStartPassThroughMode(CString moduleName, CString dllName,
                                                           CByteArray firData, std::uint8_t stations,
                                                           std::uint8_t keyStations, bool extended)
    : CMessageFields(extended),
      m_moduleName(layout::Clip(std::move(moduleName), LengthPrefix::TwoBytes)),
      m_dllName(layout::Clip(std::move(dllName), LengthPrefix::TwoBytes)),
      m_stationStatus(stations, static_cast<char>(kStationAbsent)),
      m_stationExtPortStatus(stations, static_cast<char>(kStationAbsent)),
      m_keyStationStatus(keyStations, static_cast<char>(kStationAbsent)),
      m_keyStationExtPortStatus(keyStations, static_cast<char>(kStationAbsent)) {
    // The station block (data type, two counts, the pairs, the FIR length) shares one 16-bit length.
    const std::size_t blockFixed =
        5 + 2 * static_cast<std::size_t>(stations) + 2 * static_cast<std::size_t>(keyStations);
    m_firData = layout::Clip(std::move(firData), layout::kMax16 - blockFixed);
}

CMsgTarnStartPassThroughMode::CMsgTarnStartPassThroughMode(CInBinaryString& body, bool extended)
    : CMessageFields(extended) {
    ReadBody(body);
}

bool CMsgTarnStartPassThroughMode::SetStationPresent(std::size_t index, bool present) {
    return SetStatus(m_stationStatus, index, present);
}

bool CMsgTarnStartPassThroughMode::SetStationExtPortPresent(std::size_t index, bool present) {
    return SetStatus(m_stationExtPortStatus, index, present);
}

bool CMsgTarnStartPassThroughMode::SetKeyStationPresent(std::size_t index, bool present) {
    return SetStatus(m_keyStationStatus, index, present);
}

bool CMsgTarnStartPassThroughMode::SetKeyStationExtPortPresent(std::size_t index, bool present) {
    return SetStatus(m_keyStationExtPortStatus, index, present);
}

CMsgTerminateJob::CMsgTerminateJob(CString moduleName, CString applicationName, bool extended)
    : CMessageFields(extended),
      m_moduleName(layout::Clip(std::move(moduleName), LengthPrefix::TwoBytes)),
      m_applicationName(layout::Clip(std::move(applicationName), LengthPrefix::TwoBytes)) {}

CMsgCorvidStartPassThroughMode::CMsgCorvidStartPassThroughMode(
    CString moduleName, CString stationName, CString applicationName, std::uint8_t hardwareVersion,
    bool cardWasReset, CByteArray atr, std::uint32_t frequency, std::uint32_t baudRate, std::uint8_t dataType,
    CByteArray data, bool extended)
    : CMessageFields(extended),
      m_moduleName(layout::Clip(std::move(moduleName), LengthPrefix::TwoBytes)),
      m_stationName(layout::Clip(std::move(stationName), LengthPrefix::TwoBytes)),
      m_applicationName(layout::Clip(std::move(applicationName), LengthPrefix::TwoBytes)),
      m_hardwareVersion(hardwareVersion),
      m_cardWasReset(cardWasReset ? 1 : 0),
      m_atr(layout::Clip(std::move(atr), LengthPrefix::TwoBytes)),
      m_frequency(layout::Narrow(frequency, extended)),
      m_baudRate(baudRate),
      m_dataType(dataType),
      m_data(layout::Clip(std::move(data), layout::kMax16 - 1)) {}  // the length also counts the type

void CMsgCorvidStartPassThroughMode::AddItem(std::uint8_t tag, CByteArray value) {
    auto item = std::make_shared<CTlv>();
    item->tag = tag;
    item->value = layout::Clip(std::move(value), LengthPrefix::TwoBytes);
    m_items.push_back(std::move(item));
}

CByteArray CMsgCorvidStartPassThroughMode::EncodedItems() const {
    COutBinaryString out;
    for (const CRCPtr<CTlv>& item : m_items) {
        out.AppendByte(item->tag).SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(item->value);
    }
    return out.TakeBytes();
}

void CMsgCorvidStartPassThroughMode::DescribeFields(CBodyDescriber& d) const {
    const bool wide = IsExtended();
    d.Pair("Smart Card Module Name", m_moduleName);
    d.Pair("STATION NAME", m_stationName);
    d.Pair("ZOLT Application Name", m_applicationName);
    if (wide) {
        d.Pair("Hardware Version", LookupText(kCorvidHardwareVersions, m_hardwareVersion, "Unknown Type"));
    }
    d.Pair("ATR Data", HexDump(m_atr));
    d.Entry(m_cardWasReset != 0 ? "Card was reset" : "Card was not reset");
    d.Pair("Data Type",
           m_dataType == kDataFromController ? "Data from TRNX Controller" : "Reference for retrieving data");
    d.Pair("Data", HexDump(m_data));
    d.Pair("Frequency Value", layout::FrequencyText{wide}(m_frequency));
    d.Pair("Baud Rate Value", DecimalText(static_cast<std::int32_t>(m_baudRate)));
    if (!m_items.empty()) {
        d.Pair("Extra data", HexDump(EncodedItems()));
    }
}

}  // namespace tessaly
