// Job-level requests that register or name the programming device (commands 0x06, 0x07, 0x09).
#pragma once

#include <cstdint>

#include "common/ValueTable.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/outgoing/MessageLayout.h"

namespace tessaly {

inline constexpr std::uint8_t kOverwriteNotAllowed = '0';
inline constexpr std::uint8_t kOverwriteAllowed = '1';
inline constexpr std::uint8_t kOverwriteByName = '2';
inline constexpr CodeText kOverwriteModes[] = {
    {'1', "Over write is allowed"},
    {'2', "Over write name and use pseudo IP"},
};

// Mode (1 character); the old name as str8 when the mode is "2"; the name as str8; the module
// sequence numbers as bytes8. Names and numbers are cut to 255 bytes.
class CMsgRegisterDevice final : public CMessageFields<CMsgRegisterDevice> {
public:
    static constexpr const char* kClassName = "CMsgRegisterDevice";
    static constexpr std::uint32_t kCommand = 0x06;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kTitle = "Register Device Name";

    // Mode "1" when overwriting an earlier registration is allowed, "0" otherwise.
    CMsgRegisterDevice(CString deviceName, CByteArray moduleSequenceNumbers, bool overwriteAllowed,
                       bool extended);
    // Mode "2": register in place of `oldDeviceName`.
    CMsgRegisterDevice(CString deviceName, CByteArray moduleSequenceNumbers, CString oldDeviceName,
                       bool extended);
    // A literal old name must not decay to the bool of the first form.
    CMsgRegisterDevice(CString deviceName, CByteArray moduleSequenceNumbers, const char* oldDeviceName,
                       bool extended)
        : CMsgRegisterDevice(std::move(deviceName), std::move(moduleSequenceNumbers), CString(oldDeviceName),
                             extended) {}
    CMsgRegisterDevice(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    std::uint8_t GetMode() const { return m_mode; }
    const CString& GetDeviceName() const { return m_deviceName; }
    const CString& GetOldDeviceName() const { return m_oldDeviceName; }
    const CByteArray& GetModuleSequenceNumbers() const { return m_moduleSequenceNumbers; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_mode, "Over Write Name Settings",
             describe::Table{kOverwriteModes, "Over write is not allowed"});
        if (m_mode == kOverwriteByName) {
            v.Text(m_oldDeviceName, LengthPrefix::OneByte, "Old Personalization Device Name");
        }
        v.Text(m_deviceName, LengthPrefix::OneByte, "Personalization Device Name");
        if constexpr (V::kDescribing) {
            for (std::size_t i = 0; i < m_moduleSequenceNumbers.size(); ++i) {
                v.Pair("Sequence number of Module " + DecimalText(static_cast<std::int32_t>(i)),
                       describe::UpperHex2{}(m_moduleSequenceNumbers[i]));
            }
        } else {
            v.Bytes(m_moduleSequenceNumbers, LengthPrefix::OneByte);
        }
    }

private:
    std::uint8_t m_mode = kOverwriteNotAllowed;
    CString m_oldDeviceName;
    CString m_deviceName;
    CByteArray m_moduleSequenceNumbers;
};

// The module sequence number, when there is one.
class CMsgRequestDeviceName final : public CMessageFields<CMsgRequestDeviceName> {
public:
    static constexpr const char* kClassName = "CMsgRequestDeviceName";
    static constexpr std::uint32_t kCommand = 0x07;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kTitle = "Get Device Name";

    CMsgRequestDeviceName(bool extended, std::uint8_t moduleSequenceNumber)
        : CMessageFields(extended), m_hasNumber(true), m_moduleSequenceNumber(moduleSequenceNumber) {}
    // Host side: an empty body carries no number.
    CMsgRequestDeviceName(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    bool HasNumber() const { return m_hasNumber; }
    std::uint8_t GetModuleSequenceNumber() const { return m_moduleSequenceNumber; }

    template <class V>
    void Visit(V& v) {
        if constexpr (V::kReading) {
            m_hasNumber = !v.AtEnd();
        }
        if (m_hasNumber) {
            v.U8(m_moduleSequenceNumber, "Module Sequence Number", describe::UpperHex2{});
        }
    }

private:
    bool m_hasNumber = false;
    std::uint8_t m_moduleSequenceNumber = 0;
};

// The module sequence number; the name as str8 (cut to 255 bytes).
class CMsgSetDeviceName final : public CMessageFields<CMsgSetDeviceName> {
public:
    static constexpr const char* kClassName = "CMsgSetDeviceName";
    static constexpr std::uint32_t kCommand = 0x09;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kTitle = "Set Device Name";

    CMsgSetDeviceName(std::uint8_t moduleSequenceNumber, CString deviceName, bool extended)
        : CMessageFields(extended),
          m_moduleSequenceNumber(moduleSequenceNumber),
          m_deviceName(layout::Clip(std::move(deviceName), LengthPrefix::OneByte)) {}
    CMsgSetDeviceName(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    std::uint8_t GetModuleSequenceNumber() const { return m_moduleSequenceNumber; }
    const CString& GetDeviceName() const { return m_deviceName; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_moduleSequenceNumber, "Module Sequence Number", describe::UpperHex2{});
        v.Text(m_deviceName, LengthPrefix::OneByte, "Personalization Device Name");
    }

private:
    std::uint8_t m_moduleSequenceNumber = 0;
    CString m_deviceName;
};

}  // namespace tessaly
