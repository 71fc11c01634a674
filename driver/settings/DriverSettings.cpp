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
    objectCommunicatorIp_ = ReadText("ObjectCommunicatorIp");
    printerName_ = ReadText("PrinterName");
    stationName_ = ReadText("StationName");
    readerId_ = ReadText("ReaderId");
    piccReaderId_ = ReadText("PiccReaderId");
    extReaderId_ = ReadText("ExtReaderId");
    objectCommunicatorPort_ = ReadNumber("ObjectCommunicatorPort");
    installPath_ = ReadText("InstallPath");
    registerByName_ = ReadNumber("RegisterByName");
    suppressDialogs_ = ReadNumber("SuppressDialogs");

    // An address typed with blanks around it is still the address.
    objectCommunicatorIp_ = Trimmed(objectCommunicatorIp_);
    DefaultWhenBlank(objectCommunicatorIp_, "127.0.0.1");
    // A port no TCP connection can use counts as none.
    if (objectCommunicatorPort_ == 0 || objectCommunicatorPort_ > kHighestPort) {
        objectCommunicatorPort_ = kDefaultPort;
    }
    DefaultWhenBlank(printerName_, "Simulator");
    DefaultWhenBlank(stationName_, "STA1");
    DefaultWhenBlank(readerId_, "");
    DefaultWhenBlank(piccReaderId_, "");
    DefaultWhenBlank(extReaderId_, "");
    DefaultWhenBlank(installPath_, "");
}

void DriverSettings::SaveAll() const {
    WriteText("ObjectCommunicatorIp", objectCommunicatorIp_);
    WriteNumber("ObjectCommunicatorPort", objectCommunicatorPort_);
    WriteText("PrinterName", printerName_);
    WriteText("StationName", stationName_);
    WriteText("ReaderId", readerId_);
    WriteText("PiccReaderId", piccReaderId_);
    WriteText("ExtReaderId", extReaderId_);
    WriteNumber("RegisterByName", registerByName_);
    WriteNumber("SuppressDialogs", suppressDialogs_);
}

void DriverSettings::SavePrinterNameAndMode() const {
    WriteText("PrinterName", printerName_);
    WriteNumber("RegisterByName", registerByName_);
}

}  // namespace tessaly
