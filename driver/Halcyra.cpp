#include "driver/Halcyra.h"

#include <new>
#include <stdexcept>

#include "common/Format.h"
#include "driver/CardJob.h"
#include "driver/DeviceRegistration.h"
#include "driver/JobControl.h"
#include "driver/OperatorDialogs.h"
#include "driver/QuorlinLog.h"
#include "driver/StatusCodes.h"

namespace tessaly {
namespace {

constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x8007000EU);
constexpr std::int32_t kUnexpectedFailure = static_cast<std::int32_t>(0x8000FFFFU);

// Runs one method body; no exception leaves it.
template <class Body>
std::int32_t Guarded(const char* method, Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        LogError(__LINE__, FormatText("Out of memory in %s", method));
        return kOutOfMemory;
    } catch (...) {
        LogError(__LINE__, FormatText("Unexpected failure in %s", method));
        return kUnexpectedFailure;
    }
}

}  // namespace

CHalcyra::CHalcyra(std::shared_ptr<COperatorInterface> ui) : m_ui(std::move(ui)) {
    if (!m_ui) {
        throw std::invalid_argument("CHalcyra needs an operator front end");
    }
}

void CHalcyra::SetOperatorInterface(std::shared_ptr<COperatorInterface> ui) {
    if (ui) {
        m_ui = std::move(ui);
    }
}

std::int32_t CHalcyra::Initialize(const CString& applicationName, const std::optional<CByteArray>& firData,
                                  std::int32_t& status) {
    return Guarded("Initialize", [&] {
        status = driver_status::kSuccess;
        m_resendCounter = 0;
        if (!firData) {
            LogError(__LINE__, "Bad FIR Data array passed to Initialize");
            return method_result::kBadArray;
        }
        return CJobControl(*m_ui).Initialize(applicationName, *firData, m_printerName, status);
    });
}

std::int32_t CHalcyra::ProcessCard(const CString& applicationName,
                                   const std::optional<CByteArray>& applicationData,
                                   std::optional<CByteArray>& auditData, std::int32_t& status) {
    return Guarded("ProcessCard", [&] {
        if (!applicationData) {
            LogError(__LINE__, "Bad Application Data array passed to ProcessCard");
            return method_result::kBadArray;
        }
        CCardJob(*m_ui, m_cipher, m_resendCounter, m_printerName)
            .Run(applicationName, *applicationData, auditData, status);
        return method_result::kOk;
    });
}

std::int32_t CHalcyra::TerminateJob(const CString& applicationName, std::int32_t& status) {
    return Guarded("TerminateJob", [&] {
        status = driver_status::kSuccess;
        return CJobControl(*m_ui).TerminateJob(applicationName, m_printerName, status);
    });
}

std::int32_t CHalcyra::RegisterDevice(const CString& deviceName, bool overwritePreviousName,
                                      std::int32_t& status) {
    return Guarded("RegisterDevice", [&] {
        status = driver_status::kSuccess;
        status = RegisterDeviceExchange(deviceName, overwritePreviousName);
        return method_result::kOk;
    });
}

std::int32_t CHalcyra::RequestDeviceName(std::optional<CString>& deviceName, std::int32_t& status) {
    return Guarded("RequestDeviceName", [&] {
        status = driver_status::kSuccess;
        status = RequestDeviceNameExchange(deviceName);
        return method_result::kOk;
    });
}

std::int32_t CHalcyra::RegisterDeviceByName(const CString& deviceName, const CString& previousName,
                                            std::int32_t& status) {
    return Guarded("RegisterDeviceByName", [&] {
        status = driver_status::kSuccess;
        status = RegisterDeviceByNameExchange(deviceName, previousName);
        return method_result::kOk;
    });
}

std::int32_t CHalcyra::SetDeviceName(const CString& deviceName, std::optional<CString>& answeredName,
                                     std::int32_t& status) {
    return Guarded("SetDeviceName", [&] {
        status = driver_status::kSuccess;
        status = SetDeviceNameExchange(deviceName, answeredName);
        return method_result::kOk;
    });
}

}  // namespace tessaly
