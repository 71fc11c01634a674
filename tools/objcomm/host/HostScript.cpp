#include "tools/objcomm/host/HostScript.h"

#include <algorithm>

#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/RegistrationMessages.h"
#include "tools/objcomm/script/ScriptTokens.h"

namespace tessaly::tools {
namespace {

struct KindEntry {
    ConnectionKind kind;
    const char* name;
    const char* request;
    const char* otherRequest;  // null when one class opens the kind
};

constexpr KindEntry kKinds[] = {
    {ConnectionKind::Register, "register", CMsgRegisterDevice::kClassName, nullptr},
    {ConnectionKind::Name, "name", CMsgRequestDeviceName::kClassName, CMsgSetDeviceName::kClassName},
    {ConnectionKind::Health, "health", CMsgHealthCheck::kClassName, nullptr},
    {ConnectionKind::Initialize, "initialize", CMsgTarnStartPassThroughMode::kClassName, nullptr},
    {ConnectionKind::Card, "card", CMsgCorvidStartPassThroughMode::kClassName, nullptr},
    {ConnectionKind::Terminate, "terminate", CMsgTerminateJob::kClassName, nullptr},
};

// A connection line is handed to the script parser as this command, so that the expect lines after
// it attach to it and the settings in force are recorded with it; it is never sent.
constexpr const char* kStandIn = "health";
constexpr std::uint64_t kMaxRepeat = 10000;
constexpr const char* kKindList = "register, name, health, initialize, card or terminate";

const KindEntry& Entry(ConnectionKind kind) {
    for (const KindEntry& entry : kKinds) {
        if (entry.kind == kind) {
            return entry;
        }
    }
    return kKinds[0];
}

bool IsSetting(const std::string& word) {
    return SameWord(word, "timeout") || SameWord(word, "address") || SameWord(word, "extended") ||
           SameWord(word, "transaction");
}

struct Header {
    int line = 0;
    std::string text;
    std::optional<ConnectionKind> kind;  // none after an error on the line
    int repeat = 1;
    bool repeatGiven = false;
    bool closed = false;
};

// `connection KIND [repeat=N]`; the error, or empty.
std::string ReadHeader(const std::vector<ScriptToken>& words, Header& header) {
    if (words.size() < 2 || words[1].HasValue()) {
        return std::string("connection takes a kind: ") + kKindList;
    }
    const std::optional<ConnectionKind> kind = KindByName(words[1].text);
    if (!kind) {
        return "unknown connection kind " + words[1].text + ": " + kKindList;
    }
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::optional<std::uint64_t> count = words[i].HasValue() && SameWord(words[i].Name(), "repeat")
                                                       ? ParseNumber(words[i].Value(), kMaxRepeat)
                                                       : std::nullopt;
        if (!count || *count == 0 || header.repeatGiven) {
            return "connection " + words[1].text + " takes repeat=N (1 to 10000) and nothing else";
        }
        header.repeat = static_cast<int>(*count);
        header.repeatGiven = true;
    }
    header.kind = kind;
    return {};
}

class CHostScriptParser {
public:
    explicit CHostScriptParser(const ScriptSettings& settings) : m_settings(settings) {}

    HostScript Parse(const std::string& text);

private:
    // What the script parser sees of one line.
    std::string Line(int number, const std::string& line);
    void Error(int line, std::string message) { m_script.errors.push_back({line, std::move(message)}); }
    void MakeSection(const Header& header, std::vector<const Step*> steps);

    ScriptSettings m_settings;
    HostScript m_script;
    std::vector<Header> m_headers;
    int m_closedAt = 0;  // the close line of the open section, 0 while it takes lines
};

std::string CHostScriptParser::Line(int number, const std::string& line) {
    std::vector<ScriptToken> words;
    std::string error;
    if (!TokenizeLine(line, words, error) || words.empty()) {
        return line;  // the script parser reports the error
    }
    const std::string& word = words.front().text;
    if (SameWord(word, "connection")) {
        Header header;
        header.line = number;
        header.text = line;
        error = ReadHeader(words, header);
        if (!error.empty()) {
            Error(number, error);
        }
        m_headers.push_back(std::move(header));
        m_closedAt = 0;
        return kStandIn;
    }
    if (m_closedAt != 0 && !IsSetting(word)) {
        Error(number,
              "the close line " + std::to_string(m_closedAt) +
                  " ends its connection: only settings may follow it before the next connection line");
        return {};
    }
    if (SameWord(word, "close")) {
        if (m_headers.empty()) {
            Error(number, "close ends a connection section: it follows a connection line");
        } else if (words.size() != 1) {
            Error(number, "close takes nothing");
        } else {
            m_headers.back().closed = true;
            m_closedAt = number;
        }
        return {};
    }
    if (SameWord(word, "reconnect")) {
        Error(number, "reconnect has no place in a host script: each connection section is one connection");
        return {};
    }
    if (m_headers.empty() && !IsSetting(word)) {
        Error(number, "commands and expect lines belong to a connection: begin with a connection line");
        return {};
    }
    return line;
}

HostScript CHostScriptParser::Parse(const std::string& text) {
    std::string seen;
    int number = 0;
    for (const std::string& line : ScriptTextLines(text)) {
        seen += Line(++number, line);
        seen += '\n';
    }
    Script parsed = ParseScript(seen, m_settings);
    m_script.errors.insert(m_script.errors.end(), parsed.errors.begin(), parsed.errors.end());
    for (std::size_t i = 0; i < m_headers.size(); ++i) {
        const int first = m_headers[i].line;
        const int next = i + 1 < m_headers.size() ? m_headers[i + 1].line : number + 1;
        std::vector<const Step*> steps;
        for (const Step& step : parsed.steps) {
            if (step.line >= first && step.line < next) {
                steps.push_back(&step);
            }
        }
        MakeSection(m_headers[i], std::move(steps));
    }
    if (m_headers.empty() && m_script.errors.empty()) {
        Error(number, "the script has no connection line");
    }
    std::stable_sort(m_script.errors.begin(), m_script.errors.end(),
                     [](const ScriptError& a, const ScriptError& b) { return a.line < b.line; });
    return std::move(m_script);
}

void CHostScriptParser::MakeSection(const Header& header, std::vector<const Step*> steps) {
    if (!header.kind || steps.empty() || steps.front()->line != header.line) {
        return;  // the line's error is reported
    }
    HostSection section;
    section.kind = *header.kind;
    section.line = header.line;
    section.text = header.text;
    section.repeat = header.repeat;
    section.repeatGiven = header.repeatGiven;
    const Step& standIn = *steps.front();
    section.extended = standIn.extended;
    section.address = standIn.packets.front().framed.address;
    if (standIn.expectations.size() > 1) {
        Error(standIn.expectations[1].line, "the request that opens a connection takes one expect line");
        return;
    }
    section.opening = standIn.expectations.front();
    Expectation& opening = section.opening;
    if (opening.line == 0) {
        opening.line = header.line;
        opening.text = header.text;
    }
    if (opening.kind == Expectation::Kind::None || opening.kind == Expectation::Kind::Closed) {
        Error(opening.line, "a connection opens with a request: expect its class, its bytes or any");
        return;
    }
    if (opening.kind == Expectation::Kind::Class && KindOfRequest(opening.className) != section.kind) {
        Error(opening.line, std::string("connection ") + KindName(section.kind) + " opens with " +
                                RequestClasses(section.kind) + ", not " + opening.className);
        return;
    }
    for (std::size_t i = 1; i < steps.size(); ++i) {
        section.steps.push_back(*steps[i]);
    }
    // The last command without expect lines waits for the client to close: the exchange ends there.
    if (!section.steps.empty()) {
        std::vector<Expectation>& last = section.steps.back().expectations;
        if (last.size() == 1 && last.front().line == 0 && last.front().kind == Expectation::Kind::Any) {
            last.front().kind = Expectation::Kind::Closed;
            last.front().text = "(the client closes)";
            last.front().transaction.reset();
        }
    }
    section.defaults = section.steps.empty() && !header.closed;
    m_script.sections.push_back(std::move(section));
}

}  // namespace

const char* KindName(ConnectionKind kind) {
    return Entry(kind).name;
}

std::optional<ConnectionKind> KindByName(const std::string& name) {
    for (const KindEntry& entry : kKinds) {
        if (SameWord(name, entry.name)) {
            return entry.kind;
        }
    }
    return std::nullopt;
}

std::optional<ConnectionKind> KindOfRequest(const std::string& className) {
    for (const KindEntry& entry : kKinds) {
        if (className == entry.request ||
            (entry.otherRequest != nullptr && className == entry.otherRequest)) {
            return entry.kind;
        }
    }
    return std::nullopt;
}

std::string RequestClasses(ConnectionKind kind) {
    const KindEntry& entry = Entry(kind);
    return entry.otherRequest == nullptr ? std::string(entry.request)
                                         : std::string(entry.request) + " or " + entry.otherRequest;
}

ScriptSettings HostSettings(std::chrono::milliseconds wait) {
    ScriptSettings settings;
    settings.address = kAddressController;
    settings.extended = true;
    settings.wait = wait;
    return settings;
}

HostScript ParseHostScript(const std::string& text, const ScriptSettings& settings) {
    return CHostScriptParser(settings).Parse(text);
}

}  // namespace tessaly::tools
