// The programming-station driver object: its cipher context (built once from the station key),
// its resend counter and the printer name set by Initialize, and the seven methods a host
// application calls. Every method reads the settings afresh and opens its own connection.
//
// Results follow the component's conventions: the method result is 0, or 87 for an input array
// that cannot be read (an absent optional), or an HRESULT-style failure code when the call failed
// inside the driver (out of memory 0x8007000E, anything else 0x8000FFFF; logged). `status` and the
// other out values are written only where the method writes them, so a caller presets them.
// No exception leaves a method.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/Types.h"
#include "driver/OperatorInterface.h"
#include "driver/StationCipher.h"

namespace tessaly {

class CHalcyra {
public:
    // `ui` faces the operator (driver/ui has the front ends); it must not be null.
    explicit CHalcyra(std::shared_ptr<COperatorInterface> ui);

    // Replaces the operator front end; a null one is ignored.
    void SetOperatorInterface(std::shared_ptr<COperatorInterface> ui);

    std::int32_t Initialize(const CString& applicationName, const std::optional<CByteArray>& firData,
                            std::int32_t& status);
    std::int32_t ProcessCard(const CString& applicationName, const std::optional<CByteArray>& applicationData,
                             std::optional<CByteArray>& auditData, std::int32_t& status);
    std::int32_t TerminateJob(const CString& applicationName, std::int32_t& status);
    std::int32_t RegisterDevice(const CString& deviceName, bool overwritePreviousName, std::int32_t& status);
    std::int32_t RequestDeviceName(std::optional<CString>& deviceName, std::int32_t& status);
    std::int32_t RegisterDeviceByName(const CString& deviceName, const CString& previousName,
                                      std::int32_t& status);
    std::int32_t SetDeviceName(const CString& deviceName, std::optional<CString>& answeredName,
                               std::int32_t& status);

    const CString& GetPrinterName() const { return m_printerName; }
    std::int32_t GetResendCounter() const { return m_resendCounter; }

private:
    CStationCipher m_cipher;
    std::int32_t m_resendCounter = 0;
    CString m_printerName;
    std::shared_ptr<COperatorInterface> m_ui;
};

}  // namespace tessaly
