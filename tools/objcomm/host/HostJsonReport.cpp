#include "tools/objcomm/host/HostJsonReport.h"

#include "tools/objcomm/zolt/ZoltReport.h"

namespace tessaly::tools {
namespace {

using cli::Json;
using cli::Latin1String;

// The answer to one expectation; an expectation without text takes any packet.
Json HostAnswerJson(const Expectation& expectation, const Answer& answer, const Verdict& verdict) {
    return AnswerJson(expectation.text.empty() ? std::string("any") : Trimmed(expectation.text), expectation,
                      answer, verdict);
}

}  // namespace

void CHostJsonReport::Write(const Json& object) {
    m_out << cli::JsonText(object) << "\n";
    m_out.flush();
}

void CHostJsonReport::Listening(const std::string& address, std::uint16_t port) {
    Write({{"listening", address}, {"port", port}});
}

void CHostJsonReport::Opened(const ConnectionInfo& info, const Expectation& expectation, const Answer& answer,
                             const Verdict& verdict) {
    m_connection = info.number;
    Json json = {{"connection", info.number},
                 {"peer", info.peer},
                 {"kind", info.kind ? Json(KindName(*info.kind)) : Json(nullptr)}};
    if (info.section != nullptr) {
        json["section"] = info.section->line;
        json["header"] = Latin1String(Trimmed(info.section->text));
    }
    json["request"] = HostAnswerJson(expectation, answer, verdict);
    json["ok"] = verdict.ok;
    Write(json);
}

void CHostJsonReport::Dropped(const std::string& peer, const std::string& reason) {
    Write({{"dropped", peer}, {"reason", reason}});
}

void CHostJsonReport::Closed(const ConnectionInfo& info, bool ok) {
    Write({{"connection", info.number}, {"closed", true}, {"ok", ok}});
}

void CHostJsonReport::Finished(const HostSummary& summary) {
    Json unplayed = Json::array();
    for (const HostSummary::Unplayed& left : summary.unplayed) {
        unplayed.push_back({{"section", left.section->line},
                            {"header", Latin1String(Trimmed(left.section->text))},
                            {"connections", left.connections}});
    }
    const bool ok = summary.failed == 0 && summary.stop.empty() && summary.unplayed.empty();
    Write({{"done", true},
           {"ok", ok},
           {"connections", summary.served},
           {"failed", summary.failed},
           {"stop", summary.stop},
           {"unplayed", unplayed}});
}

void CHostJsonReport::Connected(const Step* step, bool ok, const std::string& error) {
    if (step != nullptr && !ok) {
        m_step["connect_error"] = error;
    }
}

void CHostJsonReport::StepStarted(const Step& step) {
    m_step = {{"connection", m_connection},
              {"line", step.line},
              {"step", Latin1String(Trimmed(step.text))},
              {"kind", StepKindName(step.kind)},
              {"answers", Json::array()}};
}

void CHostJsonReport::Sent(const Step& step, const std::vector<CByteArray>& writes, bool ok,
                           const std::string& error) {
    AddSentJson(m_step, step, writes);
    if (!ok) {
        m_step["send_error"] = error;
    }
}

void CHostJsonReport::Answered(const Step& /*step*/, const Expectation& expectation, const Answer& answer,
                               const Verdict& verdict) {
    m_step["answers"].push_back(HostAnswerJson(expectation, answer, verdict));
}

void CHostJsonReport::StepEnded(const Step& /*step*/, bool ok) {
    m_step["ok"] = ok;
    Write(m_step);
}

}  // namespace tessaly::tools
