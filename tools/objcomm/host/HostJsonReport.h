// `objcomm host --json`: one JSON object per line, written as each event happens. Texts are taken byte
// for byte as Latin-1, so every byte outside printable ASCII appears as a \u00XX escape.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/cli/JsonText.h"
#include "tools/objcomm/PacketView.h"
#include "tools/objcomm/host/HostReport.h"

namespace tessaly::tools {

class CHostJsonReport final : public CHostReport {
public:
    explicit CHostJsonReport(std::ostream& out) : m_out(out) {}

    void Listening(const std::string& address, std::uint16_t port) override;
    void Opened(const ConnectionInfo& info, const Expectation& expectation, const Answer& answer,
                const Verdict& verdict) override;
    void Dropped(const std::string& peer, const std::string& reason) override;
    void Closed(const ConnectionInfo& info, bool ok) override;
    void Finished(const HostSummary& summary) override;

    void Connected(const Step* step, bool ok, const std::string& error) override;
    void StepStarted(const Step& step) override;
    void Sent(const Step& step, const std::vector<CByteArray>& writes, bool ok,
              const std::string& error) override;
    void Answered(const Step& step, const Expectation& expectation, const Answer& answer,
                  const Verdict& verdict) override;
    void StepEnded(const Step& step, bool ok) override;

private:
    void Write(const cli::Json& object);

    std::ostream& m_out;
    int m_connection = 0;
    cli::Json m_step;
};

}  // namespace tessaly::tools
