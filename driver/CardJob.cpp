#include "driver/CardJob.h"

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "driver/AuditDisplay.h"
#include "driver/CommandExecutor.h"
#include "driver/HostLink.h"
#include "driver/JobReaders.h"
#include "driver/OperatorDialogs.h"
#include "driver/QuorlinLog.h"
#include "driver/StatusCodes.h"
#include "protocol/PacketFrame.h"
#include "protocol/incoming/contact/StationCommands.h"
#include "protocol/incoming/contactless/PassThroughEnd.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"

namespace tessaly {
namespace {

constexpr int kSubCommandResend = 0x10;
constexpr int kSubCommandEnd = 0xFF;
constexpr std::uint32_t kClockKhz = 3579;
constexpr std::uint32_t kBaudRate = 9600;
constexpr std::uint8_t kDataFromController = 0;
constexpr std::uint8_t kFinishResponding = 0x00;
constexpr const char* kLoopFailure = "Exception occured while processing commands in Personalization phase";

}  // namespace

void CCardJob::Run(const CString& applicationName, const CByteArray& applicationData,
                   std::optional<CByteArray>& auditData, std::int32_t& status) {
    LogInfo(__LINE__,
            FormatText("ProcessCard called: Personalization Application = [%s], Application Data = [%s]",
                       applicationName.c_str(), HexString(applicationData).c_str()));
    m_cipher.LogKeyNote();
    const DriverSettings settings;
    CJobReaders readers(settings);
    if (!readers.Prepare()) {
        status = driver_status::kReaderNotConnected;
        return;
    }
    CHostLink link;
    if (!link.Connect(settings)) {
        status = driver_status::kHostUnreachable;
        return;
    }
    try {
        CMsgCorvidStartPassThroughMode start(m_printerName, settings.StationName(), applicationName,
                                             readers.ReaderKind(), readers.AtrPresent(), readers.Atr(),
                                             kClockKhz, kBaudRate, kDataFromController, applicationData,
                                             true);
        link.Send(start, kAddressCardProcessing);
        LogInfo(__LINE__, FormatText("Start Pass Through sent. Printer Name = %s, Station Name = %s",
                                     m_printerName.c_str(), settings.StationName().c_str()));
        CCommandExecutor executor(readers, m_cipher.Context());
        Serve(link, executor, settings, applicationName, auditData, status);
    } catch (...) {
        if (settings.SuppressDialogs() == 0) {
            m_ui.ShowMessageBox(kMessageBoxCaption, kLoopFailure);
        }
        LogError(__LINE__, kLoopFailure);
    }
}

void CCardJob::Serve(CHostLink& link, CCommandExecutor& executor, const DriverSettings& settings,
                     const CString& applicationName, std::optional<CByteArray>& auditData,
                     std::int32_t& status) {
    for (;;) {
        const std::unique_ptr<CObjCommResponse> command = link.Receive(true);
        if (!command) {
            return;  // the host closed the connection
        }
        if (command->GetCommand() != kCommandPassThrough) {
            continue;
        }
        const int subCommand = command->GetSubCommand();
        if (subCommand == kSubCommandResend) {
            if (!Resend(link, *command, settings, status)) {
                return;
            }
        } else if (subCommand == kSubCommandEnd) {
            if (const auto* complete = dynamic_cast<const CRspPassThroughModeComplete*>(command.get())) {
                Complete(link, *complete, settings, applicationName, auditData, status);
            } else {
                // Transaction number 0: the host ends pass-through mode without a verdict.
                LogInfo(__LINE__, "Pass Through Finish received without accept code.");
            }
            return;
        } else if (CCommandExecutor::Serves(subCommand)) {
            m_resendCounter = 0;
            if (const std::unique_ptr<CObjCommMessage> reply = executor.Execute(*command)) {
                link.Send(*reply, kAddressCardProcessing);
            }
        }
        // Every other sub-code is not a programming station's business: no reply.
    }
}

bool CCardJob::Resend(CHostLink& link, const CObjCommResponse& command, const DriverSettings& settings,
                      std::int32_t& status) {
    const auto* resend = dynamic_cast<const CRspResend*>(&command);
    if (resend == nullptr) {
        return true;
    }
    ++m_resendCounter;
    if (settings.SuppressDialogs() == 0) {
        m_ui.ShowMessageBox(kMessageBoxCaption, FormatText("ReturnCode = %x, Error = %x\n",
                                                           resend->GetReserved(), resend->GetErrorCode()));
    }
    if (m_resendCounter <= kMaxResends) {
        link.Send(CMsgResend(static_cast<std::uint8_t>(resend->GetReserved()),
                             static_cast<std::uint8_t>(resend->GetErrorCode()), true),
                  kAddressCardProcessing);
        return true;
    }
    status = driver_status::kResendExceeded;
    link.Send(CMsgPassThroughModeFinish(kFinishResendExceeded, true), kAddressCardProcessing);
    link.DropOnePacket();
    return false;
}

void CCardJob::Complete(CHostLink& link, const CRspPassThroughModeComplete& complete,
                        const DriverSettings& settings, const CString& applicationName,
                        std::optional<CByteArray>& auditData, std::int32_t& status) {
    m_resendCounter = 0;
    CString dllError = complete.GetDllError();
    dllError.resize(CRspPassThroughModeComplete::kDllErrorLength, '\0');
    CByteArray audit;
    audit.reserve(1 + dllError.size() + complete.GetAuditData().size());
    audit.push_back(static_cast<std::uint8_t>(complete.GetAcceptCode()));
    audit.insert(audit.end(), dllError.begin(), dllError.end());
    audit.insert(audit.end(), complete.GetAuditData().begin(), complete.GetAuditData().end());
    auditData = std::move(audit);
    status = static_cast<std::int32_t>(complete.GetAcceptCode());

    if (settings.SuppressDialogs() == 0) {
        if (dllError != CRspPassThroughModeComplete::kNoDllError) {
            ShowDllErrorMessage(m_ui, settings.InstallPath(), applicationName, dllError);
        }
        ShowAuditData(m_ui, complete.GetAuditData());
    }
    link.Send(CMsgPassThroughModeFinish(kFinishResponding, true), kAddressCardProcessing);
    link.DropOnePacket();
}

}  // namespace tessaly
