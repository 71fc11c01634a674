#include "driver/settings/DriverSettings.h"

#include "common/TextEncoding.h"
#include "common/registry/Registry.h"
#include "common/registry/RegistryPath.h"

namespace tessaly {
namespace {

constexpr std::uint32_t kDefaultPort = 1500;
constexpr std::uint32_t kHighestPort = 65535;

CString ValuePath(const char* name) {
    return CString(DriverSettings::kKeyPath) + name;
}

// The values of the settings key, read in one registry session: a missing text reads as empty and a
// missing or non-number value as 0, as the path functions read them.
class CSettingsKey {
public:
    CSettingsKey() : m_key(DriverSettings::kKeyPath, true) {}

    CString ReadText(const char* name) {
        CString text;
        return m_key.GetString(name, text) ? text : CString();
    }
    std::uint32_t ReadNumber(const char* name) {
        std::uint32_t value = 0;
        return m_key.GetDWord(name, value) ? value : 0;
    }

private:
    CRegistryPath m_key;
};
void WriteText(const char* name, const CString& text) {
    WriteRegistryString(ValuePath(name), text, false);
}
void WriteNumber(const char* name, std::uint32_t value) {
    WriteRegistryDWord(ValuePath(name), value);
}

void DefaultWhenBlank(CString& text, const char* fallback) {
    if (IsBlank(text)) {
        text = fallback;
    }
}

}  // namespace

DriverSettings::DriverSettings() {
    Load();
}

void DriverSettings::Load() {
    CSettingsKey key;
    m_objectCommunicatorIp = key.ReadText("ObjectCommunicatorIp");
    m_printerName = key.ReadText("PrinterName");
    m_stationName = key.ReadText("StationName");
    m_readerId = key.ReadText("ReaderId");
    m_piccReaderId = key.ReadText("PiccReaderId");
    m_extReaderId = key.ReadText("ExtReaderId");
    m_objectCommunicatorPort = key.ReadNumber("ObjectCommunicatorPort");
    m_installPath = key.ReadText("InstallPath");
    m_registerByName = key.ReadNumber("RegisterByName");
    m_suppressDialogs = key.ReadNumber("SuppressDialogs");

    // An address typed with blanks around it is still the address.
    m_objectCommunicatorIp = TrimmedText(m_objectCommunicatorIp);
    DefaultWhenBlank(m_objectCommunicatorIp, "127.0.0.1");
    // A port no TCP connection can use counts as none.
    if (m_objectCommunicatorPort == 0 || m_objectCommunicatorPort > kHighestPort) {
        m_objectCommunicatorPort = kDefaultPort;
    }
    DefaultWhenBlank(m_printerName, "Simulator");
    DefaultWhenBlank(m_stationName, "STA1");
    DefaultWhenBlank(m_readerId, "");
    DefaultWhenBlank(m_piccReaderId, "");
    DefaultWhenBlank(m_extReaderId, "");
    DefaultWhenBlank(m_installPath, "");
}

void DriverSettings::SaveAll() const {
    WriteText("ObjectCommunicatorIp", m_objectCommunicatorIp);
    WriteNumber("ObjectCommunicatorPort", m_objectCommunicatorPort);
    WriteText("PrinterName", m_printerName);
    WriteText("StationName", m_stationName);
    WriteText("ReaderId", m_readerId);
    WriteText("PiccReaderId", m_piccReaderId);
    WriteText("ExtReaderId", m_extReaderId);
    WriteNumber("RegisterByName", m_registerByName);
    WriteNumber("SuppressDialogs", m_suppressDialogs);
}

void DriverSettings::SavePrinterNameAndMode() const {
    WriteText("PrinterName", m_printerName);
    WriteNumber("RegisterByName", m_registerByName);
}

}  // namespace tessaly
