#include "tools/quorlin-host/HostSession.h"

#include <limits>

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "common/cli/JsonText.h"

namespace tessaly::tools {
namespace {

// What no method writes into Status.
constexpr std::int32_t kUnwritten = std::numeric_limits<std::int32_t>::min();

std::optional<std::int32_t> Written(std::int32_t status) {
    return status == kUnwritten ? std::nullopt : std::optional<std::int32_t>(status);
}

// The driver's string, taken over and released.
std::optional<std::string> TakeName(char* name) {
    if (name == nullptr) {
        return std::nullopt;
    }
    std::string copy(name);
    QuorlinFree(name);
    return copy;
}

}  // namespace

CHostSession::CHostSession(std::optional<std::vector<OperatorItem>> operatorItems)
    : m_driver(QuorlinCreate()) {
    if (m_driver && operatorItems) {
        m_operator = std::make_unique<CScriptedOperator>(std::move(*operatorItems));
        if (m_operator->Attach(m_driver.get()) != QUORLIN_OK) {
            m_driver.reset();
        }
    }
}

template <class Call>
CallReport CHostSession::Run(const char* method, std::int32_t& status, Call&& call) {
    CallReport report;
    report.method = method;
    status = kUnwritten;
    const auto start = std::chrono::steady_clock::now();
    report.result = call();
    report.duration =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    report.status = Written(status);
    if (m_operator) {
        report.scripted = true;
        report.dialogs = m_operator->TakeDialogs();
        report.messageBoxes = m_operator->TakeMessageBoxes();
    }
    return report;
}

CallReport CHostSession::Initialize(const std::string& application, const CByteArray& firData) {
    std::int32_t status = 0;
    return Run("Initialize", status, [&] {
        return QuorlinInitialize(m_driver.get(), application.c_str(), firData.data(), firData.size(),
                                 &status);
    });
}

CallReport CHostSession::ProcessCard(const std::string& application, const CByteArray& data) {
    std::int32_t status = 0;
    std::uint8_t* audit = nullptr;
    std::size_t auditLength = 0;
    CallReport report = Run("ProcessCard", status, [&] {
        return QuorlinProcessCard(m_driver.get(), application.c_str(), data.data(), data.size(), &audit,
                                  &auditLength, &status);
    });
    report.hasAudit = true;
    if (audit != nullptr) {
        report.audit = CByteArray(audit, audit + auditLength);
        QuorlinFree(audit);
    }
    return report;
}

CallReport CHostSession::TerminateJob(const std::string& application) {
    std::int32_t status = 0;
    return Run("TerminateJob", status,
               [&] { return QuorlinTerminateJob(m_driver.get(), application.c_str(), &status); });
}

CallReport CHostSession::RegisterDevice(const std::string& name, bool overwrite) {
    std::int32_t status = 0;
    return Run("RegisterDevice", status, [&] {
        return QuorlinRegisterDevice(m_driver.get(), name.c_str(), overwrite ? 1 : 0, &status);
    });
}

CallReport CHostSession::RegisterDeviceByName(const std::string& name, const std::string& previous) {
    std::int32_t status = 0;
    return Run("RegisterDeviceByName", status, [&] {
        return QuorlinRegisterDeviceByName(m_driver.get(), name.c_str(), previous.c_str(), &status);
    });
}

CallReport CHostSession::RequestDeviceName() {
    std::int32_t status = 0;
    char* name = nullptr;
    CallReport report = Run("RequestDeviceName", status,
                            [&] { return QuorlinRequestDeviceName(m_driver.get(), &name, &status); });
    report.hasDeviceName = true;
    report.deviceName = TakeName(name);
    return report;
}

CallReport CHostSession::SetDeviceName(const std::string& name) {
    std::int32_t status = 0;
    char* answered = nullptr;
    CallReport report = Run("SetDeviceName", status, [&] {
        return QuorlinSetDeviceName(m_driver.get(), name.c_str(), &answered, &status);
    });
    report.hasDeviceName = true;
    report.deviceName = TakeName(answered);
    return report;
}

std::string ReportJson(const CallReport& report) {
    cli::Json object;
    object["method"] = report.method;
    object["result"] = report.result;
    object["status"] = report.status ? cli::Json(*report.status) : cli::Json(nullptr);
    if (report.hasAudit) {
        object["audit"] = report.audit ? cli::Json(HexString(*report.audit)) : cli::Json(nullptr);
    }
    if (report.hasDeviceName) {
        object["device_name"] =
            report.deviceName ? cli::Latin1String(*report.deviceName) : cli::Json(nullptr);
    }
    if (report.scripted) {
        object["dialogs"] = cli::Latin1Strings(report.dialogs);
        object["message_boxes"] = cli::Latin1Strings(report.messageBoxes);
    }
    object["milliseconds"] = static_cast<double>(report.duration.count()) / 1000.0;
    return cli::JsonText(object);
}

std::string ReportText(const CallReport& report) {
    std::string line = report.method + ": result " + std::to_string(report.result);
    line += report.status ? ", Status " + std::to_string(*report.status) : ", Status not written";
    if (report.hasAudit) {
        line += report.audit ? ", audit " + HexString(*report.audit) : ", audit not written";
    }
    if (report.hasDeviceName) {
        line +=
            report.deviceName ? ", device name \"" + *report.deviceName + "\"" : ", device name not written";
    }
    for (const std::string& box : report.messageBoxes) {
        line += "\n  message box: " + box;
    }
    return line;
}

}  // namespace tessaly::tools
