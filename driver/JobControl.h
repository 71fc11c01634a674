// Start and end of a job with the Rudari Zovuravirero: the device name, the Tarn start message
// and the answer loop that serves operator messages until the host completes or confirms.
// Everything is sent with the address "[CTRLR]".
#pragma once

#include <cstdint>

#include "common/Types.h"
#include "driver/OperatorInterface.h"
#include "driver/settings/DriverSettings.h"

namespace tessaly {

class CHostLink;
class CObjCommResponse;
class CRspPassThroughModeComplete;

class CJobControl {
public:
    explicit CJobControl(COperatorInterface& ui) : m_ui(ui) {}

    // `printerName` becomes the device name with "_1" after a successful device-name step.
    // Returns the method result; `status` as Initialize leaves it.
    std::int32_t Initialize(const CString& applicationName, const CByteArray& firData, CString& printerName,
                            std::int32_t& status);
    std::int32_t TerminateJob(const CString& applicationName, const CString& printerName,
                              std::int32_t& status);

private:
    enum class Method { Initialize, TerminateJob };

    // Serves the host's commands until it completes, confirms or closes. A malformed packet is
    // logged and ends the loop.
    void AnswerLoop(CHostLink& link, const DriverSettings& settings, const CString& applicationName,
                    Method method, std::int32_t& status);
    // False when the command ends the loop.
    bool Answer(CHostLink& link, const DriverSettings& settings, const CString& applicationName,
                Method method, const CObjCommResponse& command, std::int32_t& status);
    void Complete(CHostLink& link, const DriverSettings& settings, const CString& applicationName,
                  Method method, const CRspPassThroughModeComplete& complete, std::int32_t& status);

    COperatorInterface& m_ui;
};

}  // namespace tessaly
