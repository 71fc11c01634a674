#include "driver/JobControl.h"

#include <algorithm>
#include <optional>

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "driver/AuditDisplay.h"
#include "driver/DeviceRegistration.h"
#include "driver/HostLink.h"
#include "driver/OperatorDialogs.h"
#include "driver/QuorlinLog.h"
#include "driver/StatusCodes.h"
#include "protocol/PassThruErrors.h"
#include "protocol/incoming/contactless/OperatorMessage.h"
#include "protocol/incoming/contactless/PassThroughEnd.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"

namespace tessaly {
namespace {

constexpr std::uint8_t kStations = 1;
constexpr std::uint8_t kKeyStations = 4;
constexpr std::uint8_t kFinishResponding = 0x00;

// The FIR data as the log shows it: its bytes as characters, up to the first zero byte.
CString FirText(const CByteArray& firData) {
    return CString(firData.begin(), std::find(firData.begin(), firData.end(), std::uint8_t{0}));
}

}  // namespace

std::int32_t CJobControl::Initialize(const CString& applicationName, const CByteArray& firData,
                                     CString& printerName, std::int32_t& status) {
    const DriverSettings settings;
    LogInfo(__LINE__, FormatText("Initialize called: Personalization Application = [%s], FIR Data = [%s]",
                                 applicationName.c_str(), FirText(firData).c_str()));
    CHostLink link;
    if (!link.Connect(settings)) {
        status = driver_status::kHostUnreachable;
        return method_result::kOk;
    }
    CString deviceName = settings.PrinterName();
    std::optional<CString> answered;
    if (settings.RegisterByName() != 0) {
        status = SetDeviceNameExchange(settings.PrinterName(), answered);
    } else {
        status = RequestDeviceNameExchange(answered);
        deviceName = answered.value_or(CString());
        if (status == driver_status::kSuccess && !answered) {
            // The host closed without naming this station: a job cannot be announced without a name.
            LogError(__LINE__, "No device name received in Initialize");
            status = driver_status::kUnexpectedAnswer;
        }
    }
    if (status != driver_status::kSuccess) {
        return method_result::kOk;
    }
    printerName = deviceName + "_1";

    CMsgTarnStartPassThroughMode start(printerName, applicationName, firData, kStations, kKeyStations, true);
    start.SetStationPresent(0);
    start.SetKeyStationPresent(0);
    link.Send(start, kAddressController);
    LogInfo(__LINE__,
            FormatText(
                "Tarn Start Pass Through sent.  Printer Name = %s, Num Stations = %d, Num Key Stations = %d",
                printerName.c_str(), kStations, kKeyStations));
    AnswerLoop(link, settings, applicationName, Method::Initialize, status);
    return method_result::kOk;
}

std::int32_t CJobControl::TerminateJob(const CString& applicationName, const CString& printerName,
                                       std::int32_t& status) {
    const DriverSettings settings;
    LogInfo(__LINE__,
            FormatText("TerminateJob called: Personalization Application = [%s]", applicationName.c_str()));
    CHostLink link;
    if (!link.Connect(settings)) {
        status = driver_status::kHostUnreachable;
        return method_result::kOk;
    }
    const CMsgTerminateJob terminate(printerName, applicationName, true);
    link.Send(terminate, kAddressController);
    LogInfo(__LINE__, FormatText("Terminate Job sent.  Printer Name = %s", printerName.c_str()));
    AnswerLoop(link, settings, applicationName, Method::TerminateJob, status);
    return method_result::kOk;
}

void CJobControl::AnswerLoop(CHostLink& link, const DriverSettings& settings, const CString& applicationName,
                             Method method, std::int32_t& status) {
    try {
        for (;;) {
            const std::unique_ptr<CObjCommResponse> command = link.Receive(true);
            if (!command || !Answer(link, settings, applicationName, method, *command, status)) {
                return;
            }
        }
    } catch (const CPassThruFormatError& error) {
        LogError(__LINE__,
                 FormatText("Malformed packet received in %s (%s)",
                            method == Method::Initialize ? "Initialize" : "TerminateJob", error.Name()));
    }
}

bool CJobControl::Answer(CHostLink& link, const DriverSettings& settings, const CString& applicationName,
                         Method method, const CObjCommResponse& command, std::int32_t& status) {
    if (const auto* message = dynamic_cast<const CRspMessage*>(&command)) {
        CString entered;
        const std::uint8_t result = ShowOperatorMessage(m_ui, *message, applicationName, true, entered);
        link.Send(CMsgMessage(result, entered, true), kAddressController);
        return true;
    }
    if (const auto* complete = dynamic_cast<const CRspPassThroughModeComplete*>(&command)) {
        Complete(link, settings, applicationName, method, *complete, status);
        return false;
    }
    if (dynamic_cast<const CRspPassThroughModeFinish*>(&command) != nullptr) {
        // The host ends pass-through mode without a verdict: nothing to report.
        LogInfo(__LINE__, "Pass Through Finish received without accept code.");
        return false;
    }
    // The same text for both methods, as the host's operators know it.
    LogError(__LINE__, "Unknown response received in Initialize");
    return true;
}

void CJobControl::Complete(CHostLink& link, const DriverSettings& settings, const CString& applicationName,
                           Method method, const CRspPassThroughModeComplete& complete, std::int32_t& status) {
    const bool dialogs = settings.SuppressDialogs() == 0;
    if (method == Method::TerminateJob) {
        LogInfo(__LINE__, "Pass Through Finished confirmation received.");
        if (dialogs) {
            ShowAuditData(m_ui, complete.GetAuditData());
        }
        return;
    }
    status = static_cast<std::int32_t>(complete.GetAcceptCode());
    LogInfo(
        __LINE__,
        FormatText("Pass Through Complete received. Accept Code = 0x%02x, Dll Error = %s, Audit Data = [%s]",
                   complete.GetAcceptCode(), complete.GetDllError().c_str(),
                   HexString(complete.GetAuditData()).c_str()));
    if (dialogs) {
        if (complete.GetAcceptCode() == CRspPassThroughModeComplete::kAcceptDllError) {
            ShowDllErrorMessage(m_ui, settings.InstallPath(), applicationName, complete.GetDllError());
        }
        ShowAuditData(m_ui, complete.GetAuditData());
    }
    link.Send(CMsgPassThroughModeFinish(kFinishResponding, true), kAddressController);
    LogInfo(__LINE__, FormatText("Pass Through Finished sent. Finish Code = 0x%02x", kFinishResponding));
    link.DropOnePacket();
    LogInfo(__LINE__, "Pass Through Finished confirmation received.");
}

}  // namespace tessaly
