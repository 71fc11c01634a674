// The driver's ten registry values under "HKEY_LOCAL_MACHINE\SOFTWARE\Tessaly\Halcyra\", read as
// one snapshot with their defaults. Shared by the driver and the configuration utility; write
// results are not reported (a refused write is lost, as the callers expect).
#pragma once

#include <cstdint>

#include "common/Types.h"

namespace tessaly {

class DriverSettings {
public:
    static constexpr const char* kKeyPath = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\";

    // Loads every value.
    DriverSettings();

    // Reads the ten values; blank texts and a port of 0 or above 65535 take their defaults, and
    // the blanks around the address are dropped.
    void Load();
    // Writes all values but InstallPath, which belongs to the installer.
    void SaveAll() const;
    // Writes only PrinterName and RegisterByName (after a registration).
    void SavePrinterNameAndMode() const;

    const CString& ObjectCommunicatorIp() const { return objectCommunicatorIp_; }
    std::uint32_t ObjectCommunicatorPort() const { return objectCommunicatorPort_; }
    const CString& PrinterName() const { return printerName_; }
    const CString& StationName() const { return stationName_; }
    const CString& ReaderId() const { return readerId_; }
    const CString& PiccReaderId() const { return piccReaderId_; }
    const CString& ExtReaderId() const { return extReaderId_; }
    const CString& InstallPath() const { return installPath_; }
    std::uint32_t RegisterByName() const { return registerByName_; }
    std::uint32_t SuppressDialogs() const { return suppressDialogs_; }

    void SetPrinterName(const CString& name) { printerName_ = name; }
    // The configuration utility's edits.
    void SetObjectCommunicatorIp(const CString& ip) { objectCommunicatorIp_ = ip; }
    void SetObjectCommunicatorPort(std::uint32_t port) { objectCommunicatorPort_ = port; }
    void SetReaderId(const CString& reader) { readerId_ = reader; }
    void SetPiccReaderId(const CString& reader) { piccReaderId_ = reader; }
    void SetExtReaderId(const CString& reader) { extReaderId_ = reader; }
    void SetRegisterByName(std::uint32_t value) { registerByName_ = value; }

private:
    CString objectCommunicatorIp_;
    std::uint32_t objectCommunicatorPort_ = 0;
    CString printerName_;
    CString stationName_;
    CString readerId_;
    CString piccReaderId_;
    CString extReaderId_;
    CString installPath_;
    std::uint32_t registerByName_ = 0;
    std::uint32_t suppressDialogs_ = 0;
};

}  // namespace tessaly
