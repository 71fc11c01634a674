// One driver object, loaded through the C API, and the calls the tool makes on it. Every output is
// preset to a value the driver never writes, so each report tells what the method wrote.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/Types.h"
#include "driver/capi/quorlin.h"
#include "tools/quorlin-host/ScriptedOperator.h"

namespace tessaly::tools {

struct CallReport {
    std::string method;
    std::int32_t result = 0;
    std::optional<std::int32_t> status;  // nothing: not written
    bool hasAudit = false;               // ProcessCard
    std::optional<CByteArray> audit;     // nothing: not written
    bool hasDeviceName = false;          // RequestDeviceName, SetDeviceName
    std::optional<std::string> deviceName;
    bool scripted = false;  // the operator was scripted: the two lists below are kept
    std::vector<std::string> dialogs;
    std::vector<std::string> messageBoxes;
    std::chrono::microseconds duration{0};
};

class CHostSession {
public:
    // Null operator items: the driver's own front end (terminal, or nobody).
    explicit CHostSession(std::optional<std::vector<OperatorItem>> operatorItems);

    // False when the driver object could not be made.
    bool IsReady() const { return m_driver != nullptr; }

    CallReport Initialize(const std::string& application, const CByteArray& firData);
    CallReport ProcessCard(const std::string& application, const CByteArray& data);
    CallReport TerminateJob(const std::string& application);
    CallReport RegisterDevice(const std::string& name, bool overwrite);
    CallReport RegisterDeviceByName(const std::string& name, const std::string& previous);
    CallReport RequestDeviceName();
    CallReport SetDeviceName(const std::string& name);

private:
    struct Destroy {
        void operator()(QuorlinDriver* driver) const { QuorlinDestroy(driver); }
    };

    // Times the call and collects what the scripted operator saw.
    template <class Call>
    CallReport Run(const char* method, std::int32_t& status, Call&& call);

    std::unique_ptr<QuorlinDriver, Destroy> m_driver;
    std::unique_ptr<CScriptedOperator> m_operator;
};

// One JSON object: method, result, status, audit / device_name where they apply (null when not
// written), and the scripted operator's dialogs and message boxes.
std::string ReportJson(const CallReport& report);
// One line for people.
std::string ReportText(const CallReport& report);

}  // namespace tessaly::tools
