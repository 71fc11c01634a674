#include "tools/objcomm/script/ScriptParser.h"

#include <algorithm>
#include <optional>

#include "common/TextEncoding.h"
#include "tools/objcomm/script/NamedCommands.h"
#include "tools/objcomm/script/ScriptLines.h"
#include "tools/objcomm/script/ScriptPackets.h"

namespace tessaly::tools {
namespace {

constexpr std::size_t kMaxAddress = 255;

class CScriptParser {
public:
    explicit CScriptParser(const ScriptSettings& settings)
        : m_settings(settings), m_nextTransaction(settings.firstTransaction) {}

    Script Parse(const std::string& text);

private:
    // The line's error, or empty.
    std::string Line(int number, const std::string& line, const std::vector<ScriptToken>& words);
    std::string Expect(int number, const std::string& line, Words words);
    std::string Item(Words words);
    std::string Directive(const std::string& keyword, Words args, bool& handled);
    std::string Command(int number, const std::string& line, Words words);
    std::string Join(Words words, Step& step);
    std::string Pieces(Words words, Step& step);

    // Ends the open command: its bulk items are framed and, without expect lines, it waits for any
    // answer.
    void CloseStep();
    void CloseBulk();
    void Error(int line, std::string message) { m_script.errors.push_back({line, std::move(message)}); }
    // Counts on from the last number; after 65535 comes 1, as 0 marks packets outside pass-through.
    std::uint16_t NextTransaction() {
        const std::uint16_t number = m_nextTransaction;
        m_nextTransaction = number == 0xFFFF ? 1 : static_cast<std::uint16_t>(number + 1);
        return number;
    }
    Step* OpenStep() { return m_open ? &m_script.steps.back() : nullptr; }

    ScriptSettings m_settings;
    std::uint16_t m_nextTransaction;
    Script m_script;
    bool m_open = false;           // the last step is a command that still takes expect lines
    bool m_skipFollowers = false;  // the last command line failed: its expect and item lines go too
    bool m_bulkOpen = false;
    std::vector<std::vector<NamedField>> m_bulkItems;
    std::vector<std::optional<std::uint16_t>> m_transactions;  // per packet of the open step
};

Script CScriptParser::Parse(const std::string& text) {
    int number = 0;
    for (const std::string& line : ScriptTextLines(text)) {
        ++number;
        std::vector<ScriptToken> words;
        std::string error;
        if (!TokenizeLine(line, words, error)) {
            Error(number, error);
        } else if (!words.empty()) {
            error = Line(number, line, words);
            if (!error.empty()) {
                Error(number, error);
            }
        }
    }
    CloseStep();
    std::stable_sort(m_script.errors.begin(), m_script.errors.end(),
                     [](const ScriptError& a, const ScriptError& b) { return a.line < b.line; });
    return std::move(m_script);
}

std::string CScriptParser::Line(int number, const std::string& line, const std::vector<ScriptToken>& words) {
    const std::string& keyword = words.front().text;
    const Words args = Words(words).subspan(1);
    if (SameWord(keyword, "item")) {
        return Item(args);
    }
    CloseBulk();
    if (SameWord(keyword, "expect")) {
        return Expect(number, line, args);
    }
    CloseStep();
    m_skipFollowers = false;
    bool handled = false;
    std::string error = Directive(keyword, args, handled);
    if (handled) {
        return error;
    }
    error = Command(number, line, words);
    m_skipFollowers = !error.empty();
    return error;
}

std::string CScriptParser::Directive(const std::string& keyword, Words args, bool& handled) {
    handled = true;
    const bool one = args.size() == 1;
    const std::string arg = one ? args.front().text : std::string();
    if (SameWord(keyword, "timeout")) {
        return one && ParseMilliseconds(arg, m_settings.wait)
                   ? std::string()
                   : "timeout takes the answer time-out in milliseconds (up to 3600000)";
    }
    if (SameWord(keyword, "address")) {
        if (!one || arg.size() > kMaxAddress) {
            return "address takes one text of up to 255 characters (in quotes when it holds blanks)";
        }
        m_settings.address = arg;
        return {};
    }
    if (SameWord(keyword, "extended")) {
        if (one && (SameWord(arg, "on") || SameWord(arg, "off"))) {
            m_settings.extended = SameWord(arg, "on");
            return {};
        }
        return "extended takes on or off";
    }
    if (SameWord(keyword, "transaction")) {
        const std::optional<std::uint64_t> value = one ? ParseNumber(arg, 0xFFFF) : std::nullopt;
        if (!value) {
            return "transaction takes the next transaction number, 0 to 65535";
        }
        m_nextTransaction = static_cast<std::uint16_t>(*value);
        return {};
    }
    handled = false;
    return {};
}

std::string CScriptParser::Command(int number, const std::string& line, Words words) {
    const std::string& keyword = words.front().text;
    const Words args = words.subspan(1);
    Step step;
    step.line = number;
    step.text = line;
    step.extended = m_settings.extended;
    if (SameWord(keyword, "sleep")) {
        step.kind = Step::Kind::Sleep;
        if (args.size() != 1 || !ParseMilliseconds(args.front().text, step.duration)) {
            return "sleep takes milliseconds (up to 3600000)";
        }
        m_script.steps.push_back(std::move(step));
        return {};
    }
    if (SameWord(keyword, "reconnect")) {
        if (!args.empty()) {
            return "reconnect takes nothing";
        }
        step.kind = Step::Kind::Reconnect;
        m_script.steps.push_back(std::move(step));
        return {};
    }
    std::string error;
    bool bulk = false;
    if (SameWord(keyword, "join")) {
        error = Join(args, step);
    } else if (SameWord(keyword, "pieces")) {
        error = Pieces(args, step);
    } else {
        for (const ScriptToken& word : words) {
            if (word.bar) {
                return "'|' separates the parts of a join or pieces line only";
            }
        }
        step.packets.emplace_back();
        const auto next = [this] { return NextTransaction(); };
        if (!ParseScriptPacket(words, m_settings, next, step.packets.back(), bulk, error)) {
            return error;
        }
    }
    if (!error.empty()) {
        return error;
    }
    m_script.steps.push_back(std::move(step));
    m_open = true;
    m_bulkOpen = bulk;
    m_bulkItems.clear();
    m_transactions.clear();
    return {};
}

std::string CScriptParser::Join(Words words, Step& step) {
    std::size_t begin = 0;
    const auto next = [this] { return NextTransaction(); };
    for (std::size_t i = 0; i <= words.size(); ++i) {
        if (i < words.size() && !words[i].bar) {
            continue;
        }
        ScriptPacket scripted;
        bool bulk = false;
        std::string error;
        if (!ParseScriptPacket(words.subspan(begin, i - begin), m_settings, next, scripted, bulk, error)) {
            return "join, command " + std::to_string(step.packets.size() + 1) + ": " + error;
        }
        if (bulk) {
            return "join: bulk takes its items on lines of their own and cannot be joined";
        }
        step.packets.push_back(std::move(scripted));
        begin = i + 1;
    }
    if (step.packets.size() < 2) {
        return "join takes two or more commands separated by |";
    }
    return {};
}

std::string CScriptParser::Pieces(Words words, Step& step) {
    if (words.empty() || !ParseMilliseconds(words.front().text, step.pause)) {
        return "pieces takes the pause in milliseconds, then the bytes of each write separated by |";
    }
    CByteArray piece;
    std::string text;
    for (std::size_t i = 1; i <= words.size(); ++i) {
        if (i < words.size() && !words[i].bar) {
            if (words[i].HasValue() || words[i].quoted) {
                return "pieces: '" + words[i].text + "' is not hexadecimal";
            }
            text += words[i].text + " ";
            continue;
        }
        if (!ParseHex(text, piece) || piece.empty()) {
            return "pieces: write " + std::to_string(step.pieces.size() + 1) + " is not hexadecimal bytes";
        }
        step.pieces.push_back(std::move(piece));
        text.clear();
    }
    return {};
}

std::string CScriptParser::Item(Words words) {
    if (!m_bulkOpen && !m_skipFollowers) {
        return "item lines follow a bulk command (before its expect lines)";
    }
    std::vector<NamedField> fields;
    std::string error;
    CByteArray item;
    if (!CollectFields(words, fields, error) || !BuildBulkItem(fields, m_settings.extended, item, error)) {
        return error;
    }
    if (!m_skipFollowers) {
        m_bulkItems.push_back(std::move(fields));
    }
    return {};
}

void CScriptParser::CloseBulk() {
    if (!m_bulkOpen) {
        return;
    }
    m_bulkOpen = false;
    Step& step = m_script.steps.back();
    FramedCommand& framed = step.packets.front().framed;
    NamedBody named;
    std::string error;
    CByteArray packet;
    if (BuildNamedBody("bulk", {}, m_bulkItems, step.extended, named, error)) {
        framed.body = std::move(named.body);
        if (BuildFramedPacket(framed, packet, error)) {
            return;
        }
    }
    // The command cannot go out: it leaves the script, and its expect lines with it.
    Error(step.line, "bulk: " + error);
    m_script.steps.pop_back();
    m_open = false;
    m_skipFollowers = true;
}

std::string CScriptParser::Expect(int number, const std::string& line, Words words) {
    Step* step = OpenStep();
    if (step == nullptr && !m_skipFollowers) {
        return "expect follows a command (or another expect line)";
    }
    Expectation expectation;
    expectation.line = number;
    expectation.text = line;
    bool transactionGiven = false;
    std::string error;
    if (!ParseExpectation(words, m_settings, expectation, transactionGiven, error) || step == nullptr) {
        return error;  // checked even when its command failed, so that one run shows every error
    }
    if (step->expectations.empty()) {
        m_transactions = PacketTransactions(*step);
    }
    const std::size_t index = step->expectations.size();
    const bool checksNumber =
        expectation.kind == Expectation::Kind::Class || expectation.kind == Expectation::Kind::Any;
    if (!transactionGiven && checksNumber && index < m_transactions.size()) {
        expectation.transaction = m_transactions[index];
    }
    step->expectations.push_back(std::move(expectation));
    return {};
}

void CScriptParser::CloseStep() {
    CloseBulk();
    Step* step = OpenStep();
    m_open = false;
    if (step == nullptr || !step->expectations.empty()) {
        return;
    }
    Expectation any;
    any.kind = Expectation::Kind::Any;
    any.wait = m_settings.wait;
    any.extended = step->extended;
    const std::vector<std::optional<std::uint16_t>> numbers = PacketTransactions(*step);
    if (!numbers.empty()) {
        any.transaction = numbers.front();
    }
    step->expectations.push_back(std::move(any));
}

}  // namespace

Script ParseScript(const std::string& text, const ScriptSettings& settings) {
    return CScriptParser(settings).Parse(text);
}

}  // namespace tessaly::tools
