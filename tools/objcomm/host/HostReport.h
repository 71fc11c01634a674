// What `objcomm host` tells as it serves: the connections, the request that opens each, and every
// packet both ways with its check (the steps of a section, as `objcomm zolt` reports them).
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/objcomm/host/HostScript.h"
#include "tools/objcomm/script/ScriptRunner.h"
#include "tools/objcomm/zolt/ZoltReport.h"

namespace tessaly::tools {

struct ConnectionInfo {
    int number = 0;                        // 1, 2 ... in the order the requests came
    std::string peer;                      // "A.B.C.D:port"
    std::optional<ConnectionKind> kind;    // of the request; none when it opens no known connection
    const HostSection* section = nullptr;  // what serves it; null when nothing does
};

struct HostSummary {
    int served = 0;
    int failed = 0;
    struct Unplayed {
        const HostSection* section;
        int connections;
    };
    std::vector<Unplayed> unplayed;  // sections still waiting when the host ended
    std::string stop;                // why the host ended before its script did, or empty
};

class CHostReport : public CScriptObserver {
public:
    virtual void Listening(const std::string& address, std::uint16_t port) = 0;
    // The request that opened a connection, checked against what the section (or the kind) expects.
    virtual void Opened(const ConnectionInfo& info, const Expectation& expectation, const Answer& answer,
                        const Verdict& verdict) = 0;
    // A connection that closed before sending a request: a client that gave up (not a failure).
    virtual void Dropped(const std::string& peer, const std::string& reason) = 0;
    virtual void Closed(const ConnectionInfo& info, bool ok) = 0;
    virtual void Finished(const HostSummary& summary) = 0;
};

class CHostTextReport final : public CHostReport {
public:
    explicit CHostTextReport(std::ostream& out) : m_out(out), m_steps("the client", out) {}

    void Listening(const std::string& address, std::uint16_t port) override;
    void Opened(const ConnectionInfo& info, const Expectation& expectation, const Answer& answer,
                const Verdict& verdict) override;
    void Dropped(const std::string& peer, const std::string& reason) override;
    void Closed(const ConnectionInfo& info, bool ok) override;
    void Finished(const HostSummary& summary) override;

    void Connected(const Step* step, bool ok, const std::string& error) override;
    void StepStarted(const Step& step) override;
    void Sent(const Step& step, const std::vector<CByteArray>& writes, bool ok,
              const std::string& error) override {
        m_steps.Sent(step, writes, ok, error);
        m_out.flush();
    }
    void Answered(const Step& step, const Expectation& expectation, const Answer& answer,
                  const Verdict& verdict) override;
    void StepEnded(const Step& /*step*/, bool /*ok*/) override {}

private:
    std::ostream& m_out;
    CTextReport m_steps;  // what is sent, as `objcomm zolt` prints it
};

// The section a summary names, "line 12: connection card".
std::string SectionText(const HostSection& section);

}  // namespace tessaly::tools
