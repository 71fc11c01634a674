// One ProcessCard call: choose and connect the card's reader, announce the card to the Rudari
// Zovuravirero, serve its pass-through commands until Pass Through Complete, and hand back the
// accept code and the audit array. Readers, connection and commands are released on every path.
#pragma once

#include <cstdint>
#include <optional>

#include "common/Types.h"
#include "driver/OperatorInterface.h"
#include "driver/StationCipher.h"
#include "driver/settings/DriverSettings.h"

namespace tessaly {

class CCommandExecutor;
class CHostLink;
class CObjCommResponse;
class CRspPassThroughModeComplete;

class CCardJob {
public:
    // Consecutive Resends answered before the job gives up with Status 212.
    static constexpr std::int32_t kMaxResends = 3;

    // `resendCounter` is the driver object's: it outlives the call.
    CCardJob(COperatorInterface& ui, const CStationCipher& cipher, std::int32_t& resendCounter,
             const CString& printerName)
        : m_ui(ui), m_cipher(cipher), m_resendCounter(resendCounter), m_printerName(printerName) {}

    // `auditData` and `status` are written only where the outcome says so (a closed connection or
    // an exception leaves both alone).
    void Run(const CString& applicationName, const CByteArray& applicationData,
             std::optional<CByteArray>& auditData, std::int32_t& status);

private:
    // The command loop, from the start message on; exceptions pass to Run.
    void Serve(CHostLink& link, CCommandExecutor& executor, const DriverSettings& settings,
               const CString& applicationName, std::optional<CByteArray>& auditData, std::int32_t& status);
    // False when the resend limit ends the job.
    bool Resend(CHostLink& link, const CObjCommResponse& command, const DriverSettings& settings,
                std::int32_t& status);
    void Complete(CHostLink& link, const CRspPassThroughModeComplete& complete,
                  const DriverSettings& settings, const CString& applicationName,
                  std::optional<CByteArray>& auditData, std::int32_t& status);

    COperatorInterface& m_ui;
    const CStationCipher& m_cipher;
    std::int32_t& m_resendCounter;
    const CString& m_printerName;
};

}  // namespace tessaly
