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

    const CString& ObjectCommunicatorIp() const { return m_objectCommunicatorIp; }
    std::uint32_t ObjectCommunicatorPort() const { return m_objectCommunicatorPort; }
    const CString& PrinterName() const { return m_printerName; }
    const CString& StationName() const { return m_stationName; }
    const CString& ReaderId() const { return m_readerId; }
    const CString& PiccReaderId() const { return m_piccReaderId; }
    const CString& ExtReaderId() const { return m_extReaderId; }
    const CString& InstallPath() const { return m_installPath; }
    std::uint32_t RegisterByName() const { return m_registerByName; }
    std::uint32_t SuppressDialogs() const { return m_suppressDialogs; }

    void SetPrinterName(const CString& name) { m_printerName = name; }
    // The configuration utility's edits.
    void SetObjectCommunicatorIp(const CString& ip) { m_objectCommunicatorIp = ip; }
    void SetObjectCommunicatorPort(std::uint32_t port) { m_objectCommunicatorPort = port; }
    void SetReaderId(const CString& reader) { m_readerId = reader; }
    void SetPiccReaderId(const CString& reader) { m_piccReaderId = reader; }
    void SetExtReaderId(const CString& reader) { m_extReaderId = reader; }
    void SetRegisterByName(std::uint32_t value) { m_registerByName = value; }

private:
    CString m_objectCommunicatorIp;
    std::uint32_t m_objectCommunicatorPort = 0;
    CString m_printerName;
    CString m_stationName;
    CString m_readerId;
    CString m_piccReaderId;
    CString m_extReaderId;
    CString m_installPath;
    std::uint32_t m_registerByName = 0;
    std::uint32_t m_suppressDialogs = 0;
};

}  // namespace tessaly
