#include "tools/objcomm/zolt/ZoltReport.h"

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "protocol/PacketFrame.h"
#include "tools/objcomm/PacketView.h"
#include "tools/objcomm/script/ScriptPackets.h"

namespace tessaly::tools {
namespace {

constexpr const char* kPacketIndent = "   ";

// A note for writes that a key station cannot take in one receive; empty when there are none.
std::string LongWriteNote(const std::vector<CByteArray>& writes) {
    for (const CByteArray& write : writes) {
        if (write.size() > kMaxStationPacket) {
            return "a write of " + std::to_string(write.size()) + " bytes: a key station reads at most " +
                   std::to_string(kMaxStationPacket) + " bytes in one receive";
        }
    }
    return {};
}

CByteArray Joined(const std::vector<CByteArray>& writes) {
    CByteArray all;
    for (const CByteArray& write : writes) {
        all.insert(all.end(), write.begin(), write.end());
    }
    return all;
}

std::string ExpectationText(const Expectation& expectation) {
    return expectation.line == 0
               ? "(any answer)"
               : "line " + std::to_string(expectation.line) + ": " + Trimmed(expectation.text);
}

}  // namespace

const char* AnswerEventName(Answer::Kind kind) {
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

const char* StepKindName(Step::Kind kind) {
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

std::string SpacedHex(const CByteArray& bytes) {
    std::string text = HexSpaced(bytes);
    if (!text.empty()) {
        text.pop_back();  // the blank after the last pair
    }
    return text;
}

std::string Trimmed(const std::string& text) {
    return TrimmedText(text, " \t");
}

void CTextReport::Connected(const Step* step, bool ok, const std::string& error) {
    m_noConnection = step == nullptr && !ok;
    if (ok) {
        m_out << "connected to " << m_target << "\n";
    } else if (step == nullptr) {
        m_out << "FAIL cannot connect to " << m_target << (error.empty() ? "" : ": " + error) << "\n";
    } else {
        m_out << "FAIL line " << step->line << ": cannot connect to " << m_target
              << (error.empty() ? "" : ": " + error) << "\n";
    }
}

void CTextReport::StepStarted(const Step& step) {
    m_out << "\nline " << step.line << ": " << Trimmed(step.text) << "\n";
}

void CTextReport::Sent(const Step& step, const std::vector<CByteArray>& writes, bool ok,
                       const std::string& error) {
    if (!writes.empty()) {
        m_out << ">>";
        for (std::size_t i = 0; i < writes.size(); ++i) {
            m_out << (i == 0 ? " " : " | ") << SpacedHex(writes[i]);
        }
        if (writes.size() > 1) {
            m_out << "   (" << writes.size() << " writes, " << step.pause.count() << " ms apart)";
        }
        m_out << "\n";
        const CutBytes cut = CutPackets(Joined(writes));
        for (const CByteArray& packet : cut.packets) {
            if (cut.packets.size() > 1) {
                m_out << kPacketIndent << "packet " << SpacedHex(packet) << "\n";
            }
            PrintPacketText(DecodePacket(packet, PacketDirection::ToStation, step.extended), m_out,
                            kPacketIndent);
        }
        if (!cut.rest.empty()) {
            m_out << kPacketIndent << cut.rest.size() << " bytes that end no packet: " << SpacedHex(cut.rest)
                  << "\n";
        }
        const std::string note = LongWriteNote(writes);
        if (!note.empty()) {
            m_out << kPacketIndent << "note: " << note << "\n";
        }
    }
    if (!ok) {
        m_out << "FAIL line " << step.line << ": " << error << "\n";
    }
}

void CTextReport::Answered(const Step& /*step*/, const Expectation& expectation, const Answer& answer,
                           const Verdict& verdict) {
    switch (answer.kind) {
        case Answer::Kind::Packet:
            m_out << "<< " << SpacedHex(answer.bytes) << "\n";
            PrintPacketText(DecodePacket(answer.bytes, PacketDirection::FromStation, expectation.extended),
                            m_out, kPacketIndent);
            break;
        case Answer::Kind::Silence:
            m_out << "<< (nothing within " << expectation.wait.count() << " ms)";
            break;
        case Answer::Kind::Closed:
            m_out << "<< (connection closed)";
            break;
        case Answer::Kind::Unframeable:
            m_out << "<< (bytes of no frame layout)";
            break;
        case Answer::Kind::TooLong:
            m_out << "<< (a packet larger than accepted)";
            break;
    }
    if (answer.kind != Answer::Kind::Packet) {
        m_out << (answer.bytes.empty() ? "" : " " + SpacedHex(answer.bytes)) << "\n";
    }
    if (verdict.ok) {
        m_out << "ok   " << ExpectationText(expectation) << "\n";
    } else {
        m_out << "FAIL " << ExpectationText(expectation) << "\n     " << verdict.reason << "\n";
    }
}

void CTextReport::StepEnded(const Step& /*step*/, bool ok) {
    Count(ok);
}

void CTextReport::Summary() {
    if (m_noConnection) {
        return;  // said already
    }
    if (FailedSteps() == 0) {
        m_out << "\nall " << PassedSteps() << " steps passed\n";
    } else {
        m_out << "\nFAILED: " << FailedSteps() << " of " << FailedSteps() + PassedSteps()
              << " steps run failed\n";
    }
}

void CJsonReport::Connected(const Step* step, bool ok, const std::string& error) {
    if (step != nullptr) {
        if (!ok) {
            m_step["connect_error"] = cli::Latin1String(error.empty() ? "cannot connect" : error);
        }
        return;
    }
    cli::Json json = {{"connect", m_target}, {"ok", ok}};
    if (!ok) {
        json["reason"] = cli::Latin1String(error.empty() ? "cannot connect" : error);
    }
    m_out << cli::JsonText(json) << "\n";
}

void CJsonReport::StepStarted(const Step& step) {
    m_step = {{"line", step.line},
              {"step", cli::Latin1String(Trimmed(step.text))},
              {"kind", StepKindName(step.kind)}};
    m_answers = cli::Json::array();
}

void CJsonReport::Sent(const Step& step, const std::vector<CByteArray>& writes, bool ok,
                       const std::string& error) {
    AddSentJson(m_step, step, writes);
    const std::string note = LongWriteNote(writes);
    if (!note.empty()) {
        m_step["note"] = note;
    }
    if (!ok) {
        m_step["send_error"] = cli::Latin1String(error);
    }
}

void CJsonReport::Answered(const Step& /*step*/, const Expectation& expectation, const Answer& answer,
                           const Verdict& verdict) {
    m_answers.push_back(AnswerJson(expectation.line == 0 ? std::string("any") : Trimmed(expectation.text),
                                   expectation, answer, verdict));
}

void CJsonReport::StepEnded(const Step& step, bool ok) {
    Count(ok);
    if (step.kind == Step::Kind::Send) {
        m_step["answers"] = m_answers;
    }
    m_step["ok"] = ok;
    m_out << cli::JsonText(m_step) << "\n";
}

void AddSentJson(cli::Json& json, const Step& step, const std::vector<CByteArray>& writes) {
    cli::Json hex = cli::Json::array();
    for (const CByteArray& write : writes) {
        hex.push_back(SpacedHex(write));
    }
    json["writes"] = std::move(hex);
    cli::Json packets = cli::Json::array();
    const CutBytes cut = CutPackets(Joined(writes));
    for (const CByteArray& packet : cut.packets) {
        packets.push_back(
            {{"hex", SpacedHex(packet)},
             {"packet", PacketJson(DecodePacket(packet, PacketDirection::ToStation, step.extended))}});
    }
    json["sent"] = std::move(packets);
    if (!cut.rest.empty()) {
        json["unframed"] = SpacedHex(cut.rest);
    }
}

cli::Json AnswerJson(const std::string& expectText, const Expectation& expectation, const Answer& answer,
                     const Verdict& verdict) {
    cli::Json json = {{"line", expectation.line},
                      {"expect", cli::Latin1String(expectText)},
                      {"event", AnswerEventName(answer.kind)},
                      {"hex", SpacedHex(answer.bytes)}};
    if (answer.kind == Answer::Kind::Packet) {
        json["packet"] =
            PacketJson(DecodePacket(answer.bytes, PacketDirection::FromStation, expectation.extended));
    }
    json["ok"] = verdict.ok;
    json["reason"] = cli::Latin1String(verdict.reason);
    return json;
}

}  // namespace tessaly::tools
