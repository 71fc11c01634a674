#include "driver/DeviceRegistration.h"

#include "common/Format.h"
#include "driver/HostLink.h"
#include "driver/QuorlinLog.h"
#include "driver/StatusCodes.h"
#include "driver/settings/DriverSettings.h"
#include "protocol/PassThruErrors.h"
#include "protocol/incoming/contact/ProtocolReplies.h"
#include "protocol/incoming/contactless/DeviceReplies.h"
#include "protocol/outgoing/RegistrationMessages.h"

namespace tessaly {
namespace {

constexpr std::uint32_t kErrorAlreadyExists = 0x96;
constexpr std::uint32_t kErrorNameNotFound = 0x90;
constexpr std::uint8_t kModuleSequence = 0x01;

// What one request's exchange needs besides its message.
struct ExchangeText {
    const char* methodName;  // for the log line of a malformed answer
    const char* sentLine;
};

// Connects, sends and reads the one answer. Returns the Status to end with when the exchange
// itself ends the method (no host, closed connection, malformed answer); otherwise the answer.
std::optional<std::int32_t> Exchange(CHostLink& link, const DriverSettings& settings,
                                     const CObjCommMessage& request, const ExchangeText& text,
                                     std::unique_ptr<CObjCommResponse>& answer) {
    if (!link.Connect(settings)) {
        return driver_status::kHostUnreachable;
    }
    link.Send(request, kAddressController);
    LogInfo(__LINE__, text.sentLine);
    try {
        answer = link.Receive(true);
    } catch (const CPassThruFormatError& error) {
        LogError(__LINE__,
                 FormatText("Malformed response received in %s (%s)", text.methodName, error.Name()));
        return driver_status::kUnexpectedAnswer;
    }
    if (!answer) {
        return driver_status::kSuccess;  // the host closed the connection: nothing more happens
    }
    return std::nullopt;
}

std::int32_t JudgeRegistration(const CObjCommResponse& answer, DriverSettings& settings,
                               const CString& deviceName, const char* alreadyRegisteredLine) {
    if (answer.GetCommand() == CRspRegisterDevice::kCommand) {
        LogInfo(__LINE__, "Device Registration confirmation received.");
        settings.SetPrinterName(deviceName);
        settings.SaveAll();
        return driver_status::kSuccess;
    }
    if (const auto* error = dynamic_cast<const CRspError*>(&answer)) {
        if (error->GetErrorCode() == kErrorAlreadyExists) {
            LogInfo(__LINE__, alreadyRegisteredLine);
            return driver_status::kAlreadyRegistered;
        }
        LogInfo(__LINE__, FormatText("Device Registration failed with unexpected error code[%d]",
                                     static_cast<int>(error->GetErrorCode())));
        return driver_status::kUnexpectedAnswer;
    }
    LogError(__LINE__, "Unknown response received in Register Device");
    return driver_status::kUnexpectedAnswer;
}

template <class Expected>
std::int32_t JudgeName(const CObjCommResponse& answer, std::optional<CString>& name,
                       const char* unknownLine) {
    if (const auto* reply = dynamic_cast<const Expected*>(&answer)) {
        LogInfo(__LINE__, FormatText("Device name = %s.", reply->GetDeviceName().c_str()));
        name = reply->GetDeviceName();
        return driver_status::kSuccess;
    }
    if (const auto* error = dynamic_cast<const CRspError*>(&answer)) {
        if (error->GetErrorCode() == kErrorNameNotFound) {
            LogInfo(__LINE__, "Device name not found.");
            return driver_status::kNameNotFound;
        }
        LogInfo(__LINE__, FormatText("Device name request failed with unexpected error code[%d]",
                                     static_cast<int>(error->GetErrorCode())));
        return driver_status::kUnexpectedAnswer;
    }
    LogError(__LINE__, unknownLine);
    return driver_status::kUnexpectedAnswer;
}

std::int32_t Register(const CObjCommMessage& request, const ExchangeText& text, const CString& deviceName,
                      const char* alreadyRegisteredLine) {
    DriverSettings settings;
    CHostLink link;
    std::unique_ptr<CObjCommResponse> answer;
    if (const std::optional<std::int32_t> ended = Exchange(link, settings, request, text, answer)) {
        return *ended;
    }
    return JudgeRegistration(*answer, settings, deviceName, alreadyRegisteredLine);
}

}  // namespace

std::int32_t RegisterDeviceExchange(const CString& deviceName, bool overwrite) {
    LogInfo(__LINE__, FormatText("RegisterDevice called: Device Name = [%s], Overwrite = [%s]",
                                 deviceName.c_str(), overwrite ? "True" : "False"));
    const CMsgRegisterDevice request(deviceName, CByteArray{kModuleSequence}, overwrite, true);
    const CString sent = FormatText("Register Device sent.  Device Name = %s, Overwrite = %s",
                                    deviceName.c_str(), overwrite ? "True" : "False");
    return Register(request, {"RegisterDevice", sent.c_str()}, deviceName,
                    "Device Registration failed because device already registered.");
}

std::int32_t RegisterDeviceByNameExchange(const CString& deviceName, const CString& previousName) {
    LogInfo(__LINE__, FormatText("RegisterDeviceByName called: Device Name = [%s], Previous Name = [%s]",
                                 deviceName.c_str(), previousName.c_str()));
    const CMsgRegisterDevice request(deviceName, CByteArray{kModuleSequence}, previousName, true);
    const CString sent = FormatText("Register Device sent.  Device Name = %s, Previous Name = %s",
                                    deviceName.c_str(), previousName.c_str());
    return Register(request, {"RegisterDeviceByName", sent.c_str()}, deviceName,
                    "Device Registration failed because device already registered for an IP address.");
}

std::int32_t RequestDeviceNameExchange(std::optional<CString>& deviceName) {
    LogInfo(__LINE__, "RequestDeviceName called");
    DriverSettings settings;
    CHostLink link;
    std::unique_ptr<CObjCommResponse> answer;
    const CMsgRequestDeviceName request(true, kModuleSequence);
    if (const auto ended =
            Exchange(link, settings, request, {"RequestDeviceName", "Request Device Name sent."}, answer)) {
        return *ended;
    }
    return JudgeName<CRspRequestDeviceName>(*answer, deviceName,
                                            "Unknown response received in Request Device Name");
}

std::int32_t SetDeviceNameExchange(const CString& deviceName, std::optional<CString>& answeredName) {
    LogInfo(__LINE__, FormatText("SetDeviceName called: Device Name = [%s]", deviceName.c_str()));
    DriverSettings settings;
    CHostLink link;
    std::unique_ptr<CObjCommResponse> answer;
    const CMsgSetDeviceName request(kModuleSequence, deviceName, true);
    if (const auto ended =
            Exchange(link, settings, request, {"SetDeviceName", "Set Device Name sent."}, answer)) {
        return *ended;
    }
    return JudgeName<CRspSetDeviceName>(*answer, answeredName,
                                        "Unknown response received in Set Device Name");
}

}  // namespace tessaly
