#include "tools/objcomm/host/HostJsonReport.h"

#include "tools/objcomm/script/ScriptPackets.h"

namespace tessaly::tools {
namespace {

using Json = nlohmann::json;

const char* EventName(Answer::Kind kind) {
    switch (kind) {
        case Answer::Kind::Packet:
            return "packet";
        case Answer::Kind::Silence:
            return "silence";
        case Answer::Kind::Closed:
            return "closed";
        case Answer::Kind::Unframeable:
            return "unframeable";
        case Answer::Kind::TooLong:
            return "too_long";
    }
    return "";
}

const char* StepKind(Step::Kind kind) {
    switch (kind) {
        case Step::Kind::Send:
            return "send";
        case Step::Kind::Sleep:
            return "sleep";
        case Step::Kind::Reconnect:
            return "reconnect";
    }
    return "";
}

Json TextList(const CStringArray& texts) {
    Json list = Json::array();
    for (const std::string& text : texts) {
        list.push_back(JsonText(text));
    }
    return list;
}

// The answer to one expectation: the event, the bytes and, for a packet, its decoding.
Json AnswerJson(const Expectation& expectation, const Answer& answer, const Verdict& verdict) {
    Json json = {{"line", expectation.line},
                 {"expect", JsonText(Trimmed(expectation.text.empty() ? "any" : expectation.text))},
                 {"event", EventName(answer.kind)},
                 {"hex", SpacedHex(answer.bytes)}};
    if (answer.kind == Answer::Kind::Packet) {
        json["packet"] =
            PacketToJson(DecodePacket(answer.bytes, PacketDirection::FromStation, expectation.extended));
    }
    json["ok"] = verdict.ok;
    json["reason"] = JsonText(verdict.reason);
    return json;
}

}  // namespace

Json JsonText(const std::string& bytes) {
    std::string utf8;
    utf8.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return utf8;
}

Json PacketToJson(const PacketView& view) {
    switch (view.status) {
        case PacketView::Status::OutOfMemory:
            return {{"error", "out of memory"}};
        case PacketView::Status::Rejected:
            return {{"error", view.error}, {"finish_reason", view.finishReason}};
        case PacketView::Status::Parsed:
            break;
    }
    return {{"class", view.className},
            {"command", view.command},
            {"subcommand", view.subCommand},
            {"transaction", view.transaction},
            {"long_form", view.longForm},
            {"description", TextList(view.description)},
            {"body", view.body}};
}

void CHostJsonReport::Write(const Json& object) {
    // Compact, with every character outside ASCII escaped.
    m_out << object.dump(-1, ' ', true) << "\n";
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
        json["header"] = JsonText(Trimmed(info.section->text));
    }
    json["request"] = AnswerJson(expectation, answer, verdict);
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
                            {"header", JsonText(Trimmed(left.section->text))},
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
              {"step", JsonText(Trimmed(step.text))},
              {"kind", StepKind(step.kind)},
              {"answers", Json::array()}};
}

void CHostJsonReport::Sent(const Step& step, const std::vector<CByteArray>& writes, bool ok,
                           const std::string& error) {
    Json hex = Json::array();
    CByteArray all;
    for (const CByteArray& write : writes) {
        hex.push_back(SpacedHex(write));
        all.insert(all.end(), write.begin(), write.end());
    }
    m_step["writes"] = hex;
    Json sent = Json::array();
    const CutBytes cut = CutPackets(all);
    for (const CByteArray& packet : cut.packets) {
        sent.push_back(
            {{"hex", SpacedHex(packet)},
             {"packet", PacketToJson(DecodePacket(packet, PacketDirection::ToStation, step.extended))}});
    }
    m_step["sent"] = sent;
    if (!cut.rest.empty()) {
        m_step["unframed"] = SpacedHex(cut.rest);
    }
    if (!ok) {
        m_step["send_error"] = error;
    }
}

void CHostJsonReport::Answered(const Step& /*step*/, const Expectation& expectation, const Answer& answer,
                               const Verdict& verdict) {
    m_step["answers"].push_back(AnswerJson(expectation, answer, verdict));
}

void CHostJsonReport::StepEnded(const Step& /*step*/, bool ok) {
    m_step["ok"] = ok;
    Write(m_step);
}

}  // namespace tessaly::tools
