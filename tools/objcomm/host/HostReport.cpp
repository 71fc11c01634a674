#include "tools/objcomm/host/HostReport.h"

#include "tools/objcomm/PacketView.h"

namespace tessaly::tools {
namespace {

constexpr const char* kPacketIndent = "   ";

// A script line, or a default answer's own text (which tells that it is one).
std::string LineText(int line, const std::string& text) {
    if (text.empty()) {
        return "(any answer)";  // what a command without expect lines waits for
    }
    return line == 0 ? Trimmed(text) : "line " + std::to_string(line) + ": " + Trimmed(text);
}

const char* Event(Answer::Kind kind) {
    switch (kind) {
        case Answer::Kind::Silence:
            return "(nothing)";
        case Answer::Kind::Closed:
            return "(connection closed)";
        case Answer::Kind::Unframeable:
            return "(bytes of no frame layout)";
        case Answer::Kind::TooLong:
            return "(a packet larger than accepted)";
        case Answer::Kind::Packet:
            break;
    }
    return "";
}

}  // namespace

std::string SectionText(const HostSection& section) {
    return LineText(section.line, section.text);
}

void CHostTextReport::StepStarted(const Step& step) {
    m_out << "\n" << LineText(step.line, step.text) << "\n";
}

void CHostTextReport::Answered(const Step& /*step*/, const Expectation& expectation, const Answer& answer,
                               const Verdict& verdict) {
    m_out << "<< ";
    if (answer.kind == Answer::Kind::Packet) {
        m_out << SpacedHex(answer.bytes) << "\n";
        PrintPacketText(DecodePacket(answer.bytes, PacketDirection::FromStation, expectation.extended), m_out,
                        kPacketIndent);
    } else {
        m_out << Event(answer.kind) << (answer.bytes.empty() ? "" : " " + SpacedHex(answer.bytes)) << "\n";
    }
    m_out << (verdict.ok ? "ok   " : "FAIL ") << LineText(expectation.line, expectation.text) << "\n";
    if (!verdict.ok) {
        m_out << "     " << verdict.reason << "\n";
    }
    m_out.flush();
}

void CHostTextReport::Listening(const std::string& address, std::uint16_t port) {
    m_out << "listening on " << address << ":" << port << "\n";
    m_out.flush();
}

void CHostTextReport::Opened(const ConnectionInfo& info, const Expectation& expectation, const Answer& answer,
                             const Verdict& verdict) {
    m_out << "\nconnection " << info.number << " from " << info.peer << ": "
          << (info.kind ? KindName(*info.kind) : "no known request");
    if (info.section != nullptr) {
        m_out << ", served by " << SectionText(*info.section);
    }
    m_out << "\n";
    Answered(Step(), expectation, answer, verdict);
}

void CHostTextReport::Dropped(const std::string& peer, const std::string& reason) {
    m_out << "\nconnection from " << peer << " " << reason << "\n";
    m_out.flush();
}

void CHostTextReport::Closed(const ConnectionInfo& info, bool ok) {
    m_out << (ok ? "" : "FAIL ") << "connection " << info.number << " closed\n";
    m_out.flush();
}

void CHostTextReport::Connected(const Step* step, bool ok, const std::string& error) {
    if (step != nullptr && !ok) {
        m_out << "FAIL line " << step->line << ": " << error << "\n";
    }
}

void CHostTextReport::Finished(const HostSummary& summary) {
    m_out << "\n";
    if (!summary.stop.empty()) {
        m_out << "FAIL " << summary.stop << "\n";
    }
    for (const HostSummary::Unplayed& left : summary.unplayed) {
        m_out << "not played: " << SectionText(*left.section);
        if (left.connections > 1) {
            m_out << " (" << left.connections << " connections)";
        }
        m_out << "\n";
    }
    if (summary.failed == 0 && summary.stop.empty() && summary.unplayed.empty()) {
        m_out << (summary.served == 0   ? std::string("no connection was served\n")
                  : summary.served == 1 ? std::string("the connection passed\n")
                                        : "all " + std::to_string(summary.served) + " connections passed\n");
    } else if (summary.failed > 0) {
        m_out << "FAILED: " << summary.failed << " of " << summary.served << " connections failed\n";
    } else {
        m_out << "FAILED: the host ended before the connections it owed (" << summary.served << " served)\n";
    }
    m_out.flush();
}

}  // namespace tessaly::tools
