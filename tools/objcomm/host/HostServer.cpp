#include "tools/objcomm/host/HostServer.h"

#include <algorithm>
#include <memory>

#include "protocol/PacketReader.h"
#include "protocol/PassThruErrors.h"
#include "protocol/outgoing/MessageDecoder.h"
#include "tools/objcomm/script/AnswerCheck.h"

namespace tessaly::tools {
namespace {

// While connections wait without a request, the listener is watched in slices this long, so that a
// request on a waiting connection is seen promptly.
constexpr std::chrono::milliseconds kPollSlice{10};
constexpr std::size_t kMaxWaiting = 16;
constexpr int kBacklog = 16;

Answer ReadRequest(CPacketReader& reader, std::chrono::milliseconds wait) {
    Answer request;
    switch (reader.Read(request.bytes, wait)) {
        case CPacketReader::Result::Packet:
            request.kind = Answer::Kind::Packet;
            return request;
        case CPacketReader::Result::TimedOut:
            request.kind = Answer::Kind::Silence;
            break;
        case CPacketReader::Result::Closed:
            request.kind = Answer::Kind::Closed;
            break;
        case CPacketReader::Result::Unframeable:
            request.kind = Answer::Kind::Unframeable;
            break;
        case CPacketReader::Result::TooLong:
            request.kind = Answer::Kind::TooLong;
            break;
    }
    request.bytes = reader.Pending();
    return request;
}

// The request as the message a client sends; null with `name` the codec's reason when it is rejected.
std::unique_ptr<CObjCommMessage> DecodeRequest(const CByteArray& bytes, bool extended, std::string& name) {
    CInBinaryString in(bytes);
    std::uint32_t transaction = 0;
    try {
        std::unique_ptr<CObjCommMessage> message = CreateMessageFromPacket(in, transaction, extended);
        name = message ? message->ClassName() : "a packet too large for memory";
        return message;
    } catch (const CPassThruFormatError& error) {
        name = std::string("a packet rejected as ") + error.Name();
    }
    return nullptr;
}

Expectation AnyRequest(const ScriptSettings& settings) {
    Expectation expectation;
    expectation.kind = Expectation::Kind::Any;
    expectation.text = "(a request)";
    expectation.wait = settings.wait;
    expectation.extended = settings.extended;
    return expectation;
}

// Steps that could not be made are reported as a failed step of the section's line.
void ReportUnplayable(const HostSection& section, const std::string& error, CHostReport& report) {
    Step step;
    step.line = section.line;
    step.text = section.text;
    report.StepStarted(step);
    report.Sent(step, {}, false, error);
    report.StepEnded(step, false);
}

}  // namespace

bool CHostServer::Listen(std::string& error) {
    m_listener = platform::CSocket::CreateTcp();
    if (!m_listener.IsOpen()) {
        error = "no socket can be made";
        return false;
    }
    (void)m_listener.SetReuseAddress();
    if (!m_listener.Bind(m_options.bind, m_options.port) || !m_listener.Listen(kBacklog)) {
        error = "the port is taken or the address is not one of this computer";
        m_listener.Close();
        return false;
    }
    return true;
}

std::optional<CHostServer::Waiting> CHostServer::NextRequest(CHostReport& report, std::string& stop,
                                                             bool& idled) {
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> deadline;
    if (m_options.idle) {
        deadline = Clock::now() + *m_options.idle;
    }
    for (;;) {
        for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
            if (it->socket.WaitReadable(std::chrono::milliseconds(0)) !=
                platform::CSocket::WaitResult::TimedOut) {
                Waiting client = std::move(*it);
                m_waiting.erase(it);
                return client;
            }
        }
        std::chrono::milliseconds wait(-1);
        if (deadline) {
            wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
            if (wait.count() <= 0) {
                stop = "no request within " + std::to_string(m_options.idle->count()) + " ms";
                idled = true;
                return std::nullopt;
            }
        }
        if (!m_waiting.empty()) {
            wait = wait.count() < 0 ? kPollSlice : std::min(wait, kPollSlice);
        }
        const platform::CSocket::WaitResult result = m_listener.WaitReadable(wait);
        if (result == platform::CSocket::WaitResult::TimedOut) {
            continue;
        }
        std::string address;
        std::uint16_t port = 0;
        platform::CSocket socket;
        if (result == platform::CSocket::WaitResult::Readable) {
            socket = m_listener.Accept(&address, &port);
        }
        if (!socket.IsOpen()) {
            stop = "the listening socket failed";
            return std::nullopt;
        }
        const std::string peer = address + ":" + std::to_string(port);
        if (m_waiting.size() >= kMaxWaiting) {
            report.Dropped(peer, "refused: 16 connections are waiting without a request");
            continue;
        }
        // One small packet at a time, each answered before the next: nothing to gain from delaying.
        (void)socket.SetNoDelay(true);
        m_waiting.push_back({std::move(socket), peer});
    }
}

bool CHostServer::ServeOne(Waiting client, const HostScript* script, std::size_t& next, CHostReport& report) {
    const HostSection* expected = script != nullptr ? m_plan[next] : nullptr;
    const ScriptSettings& settings = m_options.settings;
    const bool extended = expected != nullptr ? expected->extended : settings.extended;
    CPacketReader reader(client.socket);
    const Answer request = ReadRequest(reader, expected != nullptr ? expected->opening.wait : settings.wait);
    if (request.kind == Answer::Kind::Closed && request.bytes.empty()) {
        report.Dropped(client.peer, "closed without a request");
        return true;
    }

    ConnectionInfo info;
    info.number = ++m_served;
    info.peer = client.peer;
    std::string requestName = "no packet";
    std::unique_ptr<CObjCommMessage> message;
    if (request.kind == Answer::Kind::Packet) {
        message = DecodeRequest(request.bytes, extended, requestName);
        info.kind = message ? KindOfRequest(message->ClassName()) : std::nullopt;
    }
    HostSection byDefault;
    if (expected != nullptr && info.kind == expected->kind) {
        info.section = expected;
        ++next;
    } else if (info.kind) {
        byDefault = DefaultSection(*info.kind, settings);
        info.section = &byDefault;
    }
    Expectation checked = AnyRequest(settings);
    if (info.section != nullptr) {
        checked = info.section->opening;
    }
    Verdict verdict = CheckAnswer(checked, request);
    if (verdict.ok && (info.section == nullptr || (expected != nullptr && info.section != expected))) {
        verdict.ok = false;
        verdict.reason = expected != nullptr
                             ? SectionText(*expected) + " waits for " + RequestClasses(expected->kind) +
                                   "; the request is " + requestName
                             : "the request is " + requestName + ", which opens no connection";
    }
    if (verdict.ok && !reader.Pending().empty()) {
        verdict = {false, std::to_string(reader.Pending().size()) + " more bytes came before any answer"};
    }
    report.Opened(info, checked, request, verdict);
    if (info.section == nullptr || message == nullptr || (!verdict.ok && !m_options.keepGoing)) {
        report.Closed(info, false);
        return false;
    }

    Script played;
    if (!info.section->defaults) {
        played.steps = info.section->steps;
    } else {
        std::string error;
        if (!DefaultSteps(*info.section, *message, m_options.answers, played.steps, error)) {
            ReportUnplayable(*info.section, error, report);
            report.Closed(info, false);
            return false;
        }
    }
    bool connected = false;
    const auto connector = [&client, &connected](platform::CSocket& socket, std::string& error) {
        if (connected) {
            error = "a connection section is one connection";
            return false;
        }
        connected = true;
        socket = std::move(client.socket);
        return true;
    };
    const bool ok = CScriptRunner(connector, report).Run(played, m_options.keepGoing) && verdict.ok;
    report.Closed(info, ok);
    return ok;
}

bool CHostServer::Serve(const HostScript* script, CHostReport& report) {
    m_plan.clear();
    m_served = 0;
    if (script != nullptr) {
        for (const HostSection& section : script->sections) {
            const bool byCards = section.kind == ConnectionKind::Card && !section.repeatGiven;
            m_plan.insert(m_plan.end(), static_cast<std::size_t>(byCards ? m_options.cards : section.repeat),
                          &section);
        }
    }
    std::size_t next = 0;
    HostSummary summary;
    for (;;) {
        const bool more = script != nullptr ? next < m_plan.size()
                                            : !m_options.connections || m_served < *m_options.connections;
        if (!more) {
            break;
        }
        bool idled = false;
        std::optional<Waiting> client = NextRequest(report, summary.stop, idled);
        if (!client) {
            if (idled && script == nullptr && !m_options.connections) {
                summary.stop.clear();  // nothing more was owed: a quiet spell ends the serving
            }
            break;
        }
        if (!ServeOne(std::move(*client), script, next, report)) {
            ++summary.failed;
            if (!m_options.keepGoing) {
                break;
            }
        }
    }
    summary.served = m_served;
    for (std::size_t i = next; i < m_plan.size(); ++i) {
        if (summary.unplayed.empty() || summary.unplayed.back().section != m_plan[i]) {
            summary.unplayed.push_back({m_plan[i], 0});
        }
        ++summary.unplayed.back().connections;
    }
    m_waiting.clear();
    report.Finished(summary);
    return summary.failed == 0 && summary.stop.empty() && summary.unplayed.empty();
}

}  // namespace tessaly::tools
