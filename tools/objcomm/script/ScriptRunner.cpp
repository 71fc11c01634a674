#include "tools/objcomm/script/ScriptRunner.h"

#include <thread>

#include "protocol/PacketReader.h"
#include "tools/objcomm/script/ScriptPackets.h"

namespace tessaly::tools {

// The socket and the reader that cuts packets from it; made together, dropped together.
struct CScriptRunner::Link {
    platform::CSocket socket;
    CPacketReader reader{socket};
};

CScriptRunner::CScriptRunner(Connector connector, CScriptObserver& observer)
    : m_connector(std::move(connector)), m_observer(observer) {}

CScriptRunner::~CScriptRunner() = default;

bool CScriptRunner::Run(const Script& script, bool keepGoing) {
    if (!Connect(nullptr)) {
        return false;
    }
    bool allOk = true;
    for (const Step& step : script.steps) {
        m_observer.StepStarted(step);
        const bool ok = RunStep(step);
        m_observer.StepEnded(step, ok);
        allOk = allOk && ok;
        if (!ok && !keepGoing) {
            break;
        }
    }
    m_link.reset();
    return allOk;
}

bool CScriptRunner::Connect(const Step* step) {
    m_link.reset();
    auto link = std::make_unique<Link>();
    std::string error;
    const bool ok = m_connector(link->socket, error);
    if (ok) {
        m_link = std::move(link);
    }
    m_observer.Connected(step, ok, error);
    return ok;
}

bool CScriptRunner::RunStep(const Step& step) {
    switch (step.kind) {
        case Step::Kind::Sleep:
            std::this_thread::sleep_for(step.duration);
            return true;
        case Step::Kind::Reconnect:
            return Connect(&step);
        case Step::Kind::Send:
            break;
    }
    if (!CheckQuiet(step) || !Send(step)) {
        return false;
    }
    bool ok = true;
    for (const Expectation& expectation : step.expectations) {
        const Answer answer = Await(expectation);
        const Verdict verdict = CheckAnswer(expectation, answer);
        m_observer.Answered(step, expectation, answer, verdict);
        ok = ok && verdict.ok;
        DropIfLost(answer);
    }
    return ok;
}

bool CScriptRunner::CheckQuiet(const Step& step) {
    if (!m_link) {
        return true;  // Send reports it
    }
    Expectation quiet;
    quiet.kind = Expectation::Kind::None;
    quiet.line = step.line;
    quiet.text = "(nothing before the command is sent)";
    quiet.wait = std::chrono::milliseconds(0);
    quiet.extended = step.extended;
    const Answer answer = Await(quiet);
    if (answer.kind == Answer::Kind::Silence && answer.bytes.empty()) {
        return true;
    }
    m_observer.Answered(step, quiet, answer, CheckAnswer(quiet, answer));
    DropIfLost(answer);
    return false;
}

bool CScriptRunner::Send(const Step& step) {
    std::vector<CByteArray> writes;
    std::string error;
    if (!BuildWrites(step, writes, error)) {
        m_observer.Sent(step, writes, false, error);
        return false;
    }
    if (!m_link) {
        m_observer.Sent(step, writes, false, "not connected: the connection is gone (reconnect first)");
        return false;
    }
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if (i != 0 && step.pause.count() > 0) {
            std::this_thread::sleep_for(step.pause);
        }
        if (!m_link->socket.SendAll(writes[i].data(), writes[i].size())) {
            m_observer.Sent(step, writes, false, "the connection failed while sending");
            m_link.reset();
            return false;
        }
    }
    m_observer.Sent(step, writes, true, {});
    return true;
}

Answer CScriptRunner::Await(const Expectation& expectation) {
    Answer answer;
    if (!m_link) {
        answer.kind = Answer::Kind::Closed;
        return answer;
    }
    CPacketReader& reader = m_link->reader;
    switch (reader.Read(answer.bytes, expectation.wait)) {
        case CPacketReader::Result::Packet:
            answer.kind = Answer::Kind::Packet;
            return answer;
        case CPacketReader::Result::TimedOut:
            answer.kind = Answer::Kind::Silence;
            break;
        case CPacketReader::Result::Closed:
            answer.kind = Answer::Kind::Closed;
            break;
        case CPacketReader::Result::Unframeable:
            answer.kind = Answer::Kind::Unframeable;
            break;
        case CPacketReader::Result::TooLong:
            answer.kind = Answer::Kind::TooLong;
            break;
    }
    answer.bytes = reader.Pending();
    return answer;
}

void CScriptRunner::DropIfLost(const Answer& answer) {
    // Closed: nothing more comes. Unframeable or too long: no packet boundary can be found again.
    if (answer.kind == Answer::Kind::Closed || answer.kind == Answer::Kind::Unframeable ||
        answer.kind == Answer::Kind::TooLong) {
        m_link.reset();
    }
}

}  // namespace tessaly::tools
