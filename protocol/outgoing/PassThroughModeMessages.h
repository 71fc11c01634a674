// The messages that open and close pass-through mode: the Tarn start of a job, the Corvid start of a
// card, the terminate-job message (all three on sub-code 0x00) and the station's finish message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/ValueTable.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/MessageLayout.h"

namespace tessaly {

inline constexpr std::uint8_t kStationAbsent = '0';
inline constexpr std::uint8_t kStationPresent = '1';
inline constexpr CodeText kStationStatuses[] = {{'0', "Station Not Present"}, {'1', "Station  Present"}};
inline constexpr CodeText kKeyStationStatuses[] = {{'0', "Key Station Not Present"},
                                                   {'1', "Key Station  Present"}};
inline constexpr CodeText kTarnDataTypes[] = {{0, "Data from TRNX Controller"}};

// Opens a job: the module and DLL names, which stations and key stations (and their EXT ports) are
// present, and the job's FIR data.
class CMsgTarnStartPassThroughMode final : public CMessageFields<CMsgTarnStartPassThroughMode> {
public:
    static constexpr const char* kClassName = "CMsgTarnStartPassThroughMode";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x00;
    static constexpr const char* kTitle = "Start Tarn Pass Through Mode";

    // Every station and port starts absent ("0").
    CMsgTarnStartPassThroughMode(CString moduleName, CString dllName, CByteArray firData,
                                 std::uint8_t stations, std::uint8_t keyStations, bool extended);
    // Host side. The second text must be "CONTROLLER".
    CMsgTarnStartPassThroughMode(CInBinaryString& body, bool extended);

    // Mark a station or port present ("1") or absent ("0"); false when the index is out of range.
    bool SetStationPresent(std::size_t index, bool present = true);
    bool SetStationExtPortPresent(std::size_t index, bool present = true);
    bool SetKeyStationPresent(std::size_t index, bool present = true);
    bool SetKeyStationExtPortPresent(std::size_t index, bool present = true);

    const CString& GetModuleName() const { return m_moduleName; }
    const CString& GetDllName() const { return m_dllName; }
    const CByteArray& GetFirData() const { return m_firData; }
    // One character per station: "1" present, "0" absent.
    const CString& GetStationStatus() const { return m_stationStatus; }
    const CString& GetStationExtPortStatus() const { return m_stationExtPortStatus; }
    const CString& GetKeyStationStatus() const { return m_keyStationStatus; }
    const CString& GetKeyStationExtPortStatus() const { return m_keyStationExtPortStatus; }

    template <class V>
    void Visit(V& v) {
        v.Text(m_moduleName, LengthPrefix::TwoBytes, "Smart Card Module Name");
        layout::DescribeOnly(v, "KBX Station Name", m_kbxStationName);
        layout::Literal(v, "CONTROLLER", LengthPrefix::TwoBytes);
        v.Text(m_dllName, LengthPrefix::TwoBytes, "Pass Through Dll Name");
        v.Bytes(m_atr, LengthPrefix::TwoBytes, "ATR Data", describe::SpacedOrNone{});
        layout::Block(v, LengthPrefix::TwoBytes, [this](auto& block) { this->VisitStations(block); });
    }

private:
    template <class B>
    void VisitStations(B& b) {
        b.U8(m_dataType, "Data Type", describe::Table{kTarnDataTypes, "Unknown Type"});
        if constexpr (B::kDescribing) {
            if (m_dataType != 0) {
                return;  // the rest has no known meaning
            }
        }
        VisitPairs(b, m_stationStatus, m_stationExtPortStatus, "Maximum Station Number", "Station ",
                   kStationStatuses);
        VisitPairs(b, m_keyStationStatus, m_keyStationExtPortStatus, "Maximum Key Station Number",
                   "Key Station ", kKeyStationStatuses);
        b.Bytes(m_firData, LengthPrefix::TwoBytes, "FIR Data", describe::SpacedOrNone{});
    }

    // A count, then one (status, EXT-port status) pair per station.
    template <class B>
    void VisitPairs(B& b, CString& status, CString& extPort, const char* countLabel, const char* label,
                    std::span<const CodeText> texts) {
        auto count = static_cast<std::uint8_t>(status.size());
        b.U8(count, countLabel, describe::Dec{});
        if constexpr (B::kReading) {
            status.assign(count, static_cast<char>(kStationAbsent));
            extPort.assign(count, static_cast<char>(kStationAbsent));
        }
        for (std::size_t i = 0; i < count; ++i) {
            const CString name = label + DecimalText(static_cast<std::int32_t>(i));
            layout::LabelledByte(b, status[i], name, texts, "Status Unknown");
            layout::LabelledByte(b, extPort[i], name + " EXT Port", texts, "Status Unknown");
        }
    }

    CString m_moduleName;
    CString m_kbxStationName;  // empty in every message this side builds
    CString m_dllName;
    CByteArray m_atr;  // likewise empty
    std::uint8_t m_dataType = 0;
    CString m_stationStatus;
    CString m_stationExtPortStatus;
    CString m_keyStationStatus;
    CString m_keyStationExtPortStatus;
    CByteArray m_firData;
};

// Closes a job: the Tarn start layout with the station name "TERMINATE" and no station data.
class CMsgTerminateJob final : public CMessageFields<CMsgTerminateJob> {
public:
    static constexpr const char* kClassName = "CMsgTerminateJob";
    static constexpr std::uint32_t kCommand = CMsgTarnStartPassThroughMode::kCommand;
    static constexpr int kSubCommand = CMsgTarnStartPassThroughMode::kSubCommand;
    static constexpr const char* kTitle = "Start Pass through mode";

    CMsgTerminateJob(CString moduleName, CString applicationName, bool extended);
    // Host side. The second text must be "TERMINATE" and the tail the fixed 00 00 00 01 00.
    CMsgTerminateJob(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    const CString& GetModuleName() const { return m_moduleName; }
    const CString& GetApplicationName() const { return m_applicationName; }

    template <class V>
    void Visit(V& v) {
        v.Text(m_moduleName, LengthPrefix::TwoBytes, "MODULE NAME");
        layout::DescribeOnly(v, "STATION NAME", "");
        layout::Literal(v, "TERMINATE", LengthPrefix::TwoBytes);
        v.Text(m_applicationName, LengthPrefix::TwoBytes, "ZOLT Application Name");
        layout::DescribeOnly(v, "ATR Data", "");
        layout::DescribeOnly(v, "Data", "None");
        // Empty ATR; a block of length 1 holding data type 0.
        layout::FixedBytes(v, CByteArray{0x00, 0x00, 0x00, 0x01, 0x00});
    }

private:
    CString m_moduleName;
    CString m_applicationName;
};

inline constexpr CodeText kCorvidHardwareVersions[] = {
    {0, "Gen2 KBX"},       {1, "Gen2E or Gen2EP KBX"}, {2, "Software KBX"},
    {3, "Braxil Coupler"}, {4, "Glinter Contactless"}, {5, "Glinter Contact"},
    {6, "Gen3 KBX"},       {7, "Voltrim contact"},
};

// Opens pass-through mode for one card: who asks, the reader kind, the card's ATR and clock, and the
// card's application data; when extended also a list of tag-length-value items.
class CMsgCorvidStartPassThroughMode final : public CMessageFields<CMsgCorvidStartPassThroughMode> {
public:
    static constexpr const char* kClassName = "CMsgCorvidStartPassThroughMode";
    static constexpr std::uint32_t kCommand = CMsgTarnStartPassThroughMode::kCommand;
    static constexpr int kSubCommand = CMsgTarnStartPassThroughMode::kSubCommand;
    static constexpr const char* kTitle = "Start Card Processing";

    struct CTlv {
        std::uint8_t tag = 0;
        CByteArray value;
    };

    // `frequency`: kilohertz when extended, else a clock code.
    CMsgCorvidStartPassThroughMode(CString moduleName, CString stationName, CString applicationName,
                                   std::uint8_t hardwareVersion, bool cardWasReset, CByteArray atr,
                                   std::uint32_t frequency, std::uint32_t baudRate, std::uint8_t dataType,
                                   CByteArray data, bool extended);
    CMsgCorvidStartPassThroughMode(CInBinaryString& body, bool extended) : CMessageFields(extended) {
        ReadBody(body);
    }

    // Items travel only when extended (the description shows them whenever there are any). A value
    // longer than 65535 bytes is cut to fit its length.
    void AddItem(std::uint8_t tag, CByteArray value);
    const std::vector<CRCPtr<CTlv>>& GetItems() const { return m_items; }

    const CString& GetModuleName() const { return m_moduleName; }
    const CString& GetStationName() const { return m_stationName; }
    const CString& GetApplicationName() const { return m_applicationName; }
    std::uint8_t GetHardwareVersion() const { return m_hardwareVersion; }
    bool CardWasReset() const { return m_cardWasReset != 0; }
    const CByteArray& GetAtr() const { return m_atr; }
    std::uint32_t GetFrequency() const { return m_frequency; }
    std::uint32_t GetBaudRate() const { return m_baudRate; }
    std::uint8_t GetDataType() const { return m_dataType; }
    const CByteArray& GetData() const { return m_data; }

    template <class V>
    void Visit(V& v) {
        if constexpr (V::kDescribing) {
            DescribeFields(v);
        } else {
            const bool wide = IsExtended();
            v.Text(m_moduleName, LengthPrefix::TwoBytes);
            v.Text(m_stationName, LengthPrefix::TwoBytes);
            v.Text(m_applicationName, LengthPrefix::TwoBytes);
            if (wide) {
                v.U8(m_hardwareVersion);
            }
            v.U8(m_cardWasReset);
            v.Bytes(m_atr, LengthPrefix::TwoBytes);
            if (wide) {
                v.U32(m_frequency);
            } else {
                v.U8(m_frequency);
            }
            v.U32(m_baudRate);
            layout::CCountedRun<V> run(v, LengthPrefix::TwoBytes, m_data.size() + 1);
            v.U8(m_dataType);
            layout::RestOfRun(v, run, m_data, "Data", describe::Dump{});
            if (wide) {
                layout::Block(v, LengthPrefix::FourBytes, [this](auto& block) { this->VisitItems(block); });
            }
        }
    }

private:
    template <class B>
    void VisitItems(B& b) {
        if constexpr (B::kReading) {
            m_items.clear();
            while (!b.AtEnd()) {
                auto item = std::make_shared<CTlv>();
                b.U8(item->tag);
                b.Bytes(item->value, LengthPrefix::TwoBytes);
                m_items.push_back(std::move(item));
            }
        } else {
            for (const CRCPtr<CTlv>& item : m_items) {
                b.U8(item->tag);
                b.Bytes(item->value, LengthPrefix::TwoBytes);
            }
        }
    }

    // The items as they travel, without the 4-byte prefix.
    CByteArray EncodedItems() const;
    void DescribeFields(CBodyDescriber& d) const;

    CString m_moduleName;
    CString m_stationName;
    CString m_applicationName;
    std::uint8_t m_hardwareVersion = 0;
    std::uint8_t m_cardWasReset = 0;
    CByteArray m_atr;
    std::uint32_t m_frequency = 0;
    std::uint32_t m_baudRate = 0;
    std::uint8_t m_dataType = 0;
    CByteArray m_data;
    std::vector<CRCPtr<CTlv>> m_items;
};

inline constexpr std::uint8_t kFinishRespondingToServer = 0x00;
inline constexpr std::uint8_t kFinishResendExceeded = 0x01;
inline constexpr std::uint8_t kFinishKbxTimeout = 0x02;
// The reasons of rejected packets (kFinishUnknownCommand ...) are with the parse errors.
inline constexpr CodeText kFinishReasons[] = {
    {kFinishRespondingToServer, "Responding to ZOLT Server"},
    {kFinishResendExceeded, "Resend exceeded Max(3)"},
    {kFinishKbxTimeout, "KBX timeout in receiving request"},
    {kFinishUnknownCommand, "Unknown command."},
    {kFinishChecksumError, "Checksum error in command packet."},
    {kFinishCorruptedPacket, "Command packet is corrupted."},
};

// Ends or abandons pass-through mode, with a reason.
class CMsgPassThroughModeFinish final : public CMessageFields<CMsgPassThroughModeFinish> {
public:
    static constexpr const char* kClassName = "CMsgPassThroughModeFinish";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0xFF;
    static constexpr const char* kTitle = "Card processing Finished";

    CMsgPassThroughModeFinish(std::uint8_t reason, bool extended)
        : CMessageFields(extended), m_reason(reason) {}
    CMsgPassThroughModeFinish(CInBinaryString& body, bool extended) : CMessageFields(extended) {
        ReadBody(body);
    }

    std::uint8_t GetReason() const { return m_reason; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_reason, "Reason", describe::Table{kFinishReasons, "UnKnown type"});
    }

private:
    std::uint8_t m_reason = 0;
};

}  // namespace tessaly
