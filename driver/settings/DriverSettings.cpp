#include "driver/settings/DriverSettings.h"

#include "common/TextEncoding.h"
#include "common/registry/Registry.h"

namespace tessaly {
namespace {

constexpr std::uint32_t kDefaultPort = 1500;
constexpr std::uint32_t kHighestPort = 65535;
constexpr const char* kBlanks = " \t\n\v\f\r";

CString ValuePath(const char* name) {
    return CString(DriverSettings::kKeyPath) + name;
}

CString ReadText(const char* name) {
    return ReadRegistryString(ValuePath(name));
}
std::uint32_t ReadNumber(const char* name) {
    return ReadRegistryDWord(ValuePath(name));
}
void WriteText(const char* name, const CString& text) {
    WriteRegistryString(ValuePath(name), text, false);
}
void WriteNumber(const char* name, std::uint32_t value) {
    WriteRegistryDWord(ValuePath(name), value);
}

// The text without the blanks around it.
CString Trimmed(const CString& text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == CString::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
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
    m_objectCommunicatorIp = ReadText("ObjectCommunicatorIp");
    m_printerName = ReadText("PrinterName");
    m_stationName = ReadText("StationName");
    m_readerId = ReadText("ReaderId");
    m_piccReaderId = ReadText("PiccReaderId");
    m_extReaderId = ReadText("ExtReaderId");
    m_objectCommunicatorPort = ReadNumber("ObjectCommunicatorPort");
    m_installPath = ReadText("InstallPath");
    m_registerByName = ReadNumber("RegisterByName");
    m_suppressDialogs = ReadNumber("SuppressDialogs");

    // An address typed with blanks around it is still the address.
    m_objectCommunicatorIp = Trimmed(m_objectCommunicatorIp);
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
