// Plays a script over one TCP connection: sends each command, waits for each answer the script
// expects (never longer than its time-out) and checks it. Strict alternation: nothing is sent while an
// answer is still awaited.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/Types.h"
#include "platform/Socket.h"
#include "tools/objcomm/script/AnswerCheck.h"
#include "tools/objcomm/script/Script.h"

namespace tessaly::tools {

// Told of every event as it happens, so that a person watching sees each packet when it goes or comes.
class CScriptObserver {
public:
    virtual ~CScriptObserver() = default;
    // The first connection (step null) and each reconnect step.
    virtual void Connected(const Step* step, bool ok, const std::string& error) = 0;
    virtual void StepStarted(const Step& step) = 0;
    // The writes of a send step; `error` when they could not all be written.
    virtual void Sent(const Step& step, const std::vector<CByteArray>& writes, bool ok,
                      const std::string& error) = 0;
    virtual void Answered(const Step& step, const Expectation& expectation, const Answer& answer,
                          const Verdict& verdict) = 0;
    virtual void StepEnded(const Step& step, bool ok) = 0;
};

class CScriptRunner {
public:
    // Opens the link (again): connects a client, or accepts the next peer of a server. `error` says
    // why not.
    using Connector = std::function<bool(platform::CSocket& socket, std::string& error)>;

    CScriptRunner(Connector connector, CScriptObserver& observer);
    ~CScriptRunner();
    CScriptRunner(const CScriptRunner&) = delete;
    CScriptRunner& operator=(const CScriptRunner&) = delete;

    // Connects, then runs the steps in order. A failed step (a failed expectation, send or reconnect)
    // ends the run unless `keepGoing`. True when the connection was made and every step succeeded.
    bool Run(const Script& script, bool keepGoing);

private:
    struct Link;

    bool Connect(const Step* step);
    bool RunStep(const Step& step);
    bool Send(const Step& step);
    // Before a command goes out: anything that arrived unasked fails the step.
    bool CheckQuiet(const Step& step);
    Answer Await(const Expectation& expectation);
    void DropIfLost(const Answer& answer);

    Connector m_connector;
    CScriptObserver& m_observer;
    std::unique_ptr<Link> m_link;  // null while not connected
};

}  // namespace tessaly::tools
