#include "tools/objcomm/script/ScriptLines.h"

#include <optional>

#include "common/TextEncoding.h"
#include "protocol/PacketFrame.h"
#include "tools/objcomm/script/CommandClasses.h"
#include "tools/objcomm/script/NamedCommands.h"
#include "tools/objcomm/script/ScriptPackets.h"

namespace tessaly::tools {
namespace {

constexpr const char* kFinishClass = "CRspPassThroughModeFinish";
constexpr const char* kCompleteClass = "CRspPassThroughModeComplete";

// The options every framed command takes.
struct FrameOptions {
    std::optional<std::uint16_t> transaction;
    FrameForm form = FrameForm::Long;
};

bool IsOption(const ScriptToken& word, const char* name) {
    return word.HasValue() && !word.quoted && SameWord(word.Name(), name);
}

// Takes tn= and form= out of `words`; the rest is left in `rest`.
bool TakeFrameOptions(Words words, FrameOptions& options, std::vector<ScriptToken>& rest,
                      std::string& error) {
    for (const ScriptToken& word : words) {
        if (IsOption(word, "tn")) {
            const std::optional<std::uint64_t> number = ParseNumber(word.Value(), 0xFFFF);
            if (!number) {
                error = "tn=" + word.Value() + " is not a transaction number from 0 to 65535";
                return false;
            }
            options.transaction = static_cast<std::uint16_t>(*number);
        } else if (IsOption(word, "form")) {
            const std::string form = word.Value();
            if (SameWord(form, "long")) {
                options.form = FrameForm::Long;
            } else if (SameWord(form, "wide")) {
                options.form = FrameForm::Wide;
            } else if (SameWord(form, "short")) {
                options.form = FrameForm::Short;
            } else {
                error = "form=" + form + " is not long, wide or short";
                return false;
            }
        } else {
            rest.push_back(word);
        }
    }
    return true;
}

bool JoinHex(Words words, CByteArray& bytes, std::string& error) {
    std::string text;
    for (const ScriptToken& word : words) {
        if (word.HasValue() || word.quoted) {
            error = "'" + word.text + "' is not hexadecimal";
            return false;
        }
        text += word.text;
        text += ' ';
    }
    if (!ParseHex(text, bytes)) {
        error = "the bytes are not hexadecimal (pairs of digits, blanks allowed between pairs)";
        return false;
    }
    return true;
}

// The codes, number and frame of a command of class `commandClass`.
bool Frame(const CommandClass& commandClass, const FrameOptions& options, std::optional<std::uint16_t> fixed,
           const ScriptSettings& settings, const TransactionSource& nextTransaction, CByteArray body,
           ScriptPacket& scripted, std::string& error) {
    FramedCommand& framed = scripted.framed;
    framed.className = commandClass.name;
    framed.command = commandClass.command;
    framed.subCommand = commandClass.subCommand;
    framed.address = settings.address;
    framed.form = options.form;
    framed.body = std::move(body);
    const bool passThrough = commandClass.command == kCommandPassThrough;
    if (!passThrough && options.transaction) {
        error =
            "tn= belongs to pass-through commands; " + framed.className + " carries no transaction number";
        return false;
    }
    if (passThrough) {
        const bool finish = framed.className == kFinishClass;
        framed.transaction = options.transaction ? *options.transaction
                             : finish            ? std::uint16_t{0}
                             : fixed             ? *fixed
                                                 : nextTransaction();
        if (finish && framed.transaction != 0) {
            error =
                "CRspPassThroughModeFinish travels with transaction number 0 (any other reads as Complete)";
            return false;
        }
        if (framed.className == kCompleteClass && framed.transaction == 0) {
            error = "CRspPassThroughModeComplete needs a transaction number other than 0 (0 reads as Finish)";
            return false;
        }
    }
    scripted.raw = false;
    CByteArray packet;
    return BuildFramedPacket(framed, packet, error);
}

}  // namespace

bool CollectFields(Words words, std::vector<NamedField>& fields, std::string& error) {
    for (const ScriptToken& word : words) {
        if (word.bar) {
            error = "'|' separates the commands of a join line only";
            return false;
        }
        if (word.HasValue()) {
            fields.push_back({word.Name(), {word.Value()}});
        } else if (!fields.empty() && !word.quoted) {
            fields.back().values.push_back(word.text);
        } else {
            error = "'" + word.text + "' is no field: fields are written name=value";
            return false;
        }
    }
    return true;
}

bool ParseScriptPacket(Words words, const ScriptSettings& settings, const TransactionSource& nextTransaction,
                       ScriptPacket& scripted, bool& bulk, std::string& error) {
    bulk = false;
    scripted = ScriptPacket{};
    if (words.empty()) {
        error = "a command is missing";
        return false;
    }
    const std::string first = words.front().text;
    const Words rest = words.subspan(1);
    if (SameWord(first, "raw")) {
        scripted.raw = true;
        if (!JoinHex(rest, scripted.bytes, error)) {
            return false;
        }
        if (scripted.bytes.empty()) {
            error = "raw needs the packet's bytes";
            return false;
        }
        return true;
    }
    FrameOptions options;
    std::vector<ScriptToken> left;
    if (const CommandClass* commandClass = FindIncomingClass(first)) {
        CByteArray body;
        if (!TakeFrameOptions(rest, options, left, error)) {
            return false;
        }
        if (!JoinHex(left, body, error)) {
            error = first + " takes its body in hex: " + error;
            return false;
        }
        return Frame(*commandClass, options, std::nullopt, settings, nextTransaction, std::move(body),
                     scripted, error);
    }
    if (IsNamedCommand(first)) {
        std::vector<NamedField> fields;
        NamedBody named;
        if (!TakeFrameOptions(rest, options, left, error) || !CollectFields(left, fields, error) ||
            !BuildNamedBody(first, fields, {}, settings.extended, named, error)) {
            error = first + ": " + error;
            return false;
        }
        bulk = TakesItems(first);
        return Frame(*named.commandClass, options, named.transaction, settings, nextTransaction,
                     std::move(named.body), scripted, error);
    }
    if (first.size() > 4 && first.compare(0, 4, "CRsp") == 0) {
        error = "unknown class " + first;
    } else {
        error = "unknown command " + first;
    }
    return false;
}

bool ParseMilliseconds(const std::string& text, std::chrono::milliseconds& out) {
    const std::optional<std::uint64_t> value =
        ParseNumber(text, static_cast<std::uint64_t>(kMaxScriptWait.count()));
    if (!value) {
        return false;
    }
    out = std::chrono::milliseconds(static_cast<std::chrono::milliseconds::rep>(*value));
    return true;
}

bool ParseExpectation(Words words, const ScriptSettings& settings, Expectation& expectation,
                      bool& transactionGiven, std::string& error) {
    expectation.wait = settings.wait;
    expectation.extended = settings.extended;
    transactionGiven = false;
    std::vector<ScriptToken> left;
    for (const ScriptToken& word : words) {
        if (IsOption(word, "wait")) {
            if (!ParseMilliseconds(word.Value(), expectation.wait)) {
                error = "wait=" + word.Value() + " is not a number of milliseconds up to 3600000";
                return false;
            }
        } else if (IsOption(word, "tn")) {
            transactionGiven = true;
            if (SameWord(word.Value(), "any")) {
                expectation.transaction.reset();
                continue;
            }
            const std::optional<std::uint64_t> number = ParseNumber(word.Value(), 0xFFFF);
            if (!number) {
                error = "tn=" + word.Value() + " is not any or a transaction number from 0 to 65535";
                return false;
            }
            expectation.transaction = static_cast<std::uint16_t>(*number);
        } else {
            left.push_back(word);
        }
    }
    if (left.empty()) {
        error = "expect what? none, closed, any, a CMsg class or the answer's hex";
        return false;
    }
    const std::string what = left.front().text;
    const bool single = left.size() == 1 && !left.front().quoted;
    if (single && SameWord(what, "none")) {
        expectation.kind = Expectation::Kind::None;
    } else if (single && SameWord(what, "closed")) {
        expectation.kind = Expectation::Kind::Closed;
    } else if (single && SameWord(what, "any")) {
        expectation.kind = Expectation::Kind::Any;
    } else if (FindOutgoingClass(what) != nullptr) {
        expectation.kind = Expectation::Kind::Class;
        expectation.className = what;
        for (std::size_t i = 1; i < left.size(); ++i) {
            if (!left[i].HasValue()) {
                error = "'" + left[i].text + "' is no description pair: write \"Label\"=value";
                return false;
            }
            expectation.fields.emplace_back(left[i].Name(), left[i].Value());
        }
    } else if (what.size() > 4 && what.compare(0, 4, "CMsg") == 0) {
        error = "unknown class " + what;
        return false;
    } else {
        expectation.kind = Expectation::Kind::Packet;
        if (!JoinHex(left, expectation.packet, error)) {
            error = "expect none, closed, any, a CMsg class or the answer's hex; " + error;
            return false;
        }
    }
    const bool checksNumber =
        expectation.kind == Expectation::Kind::Class || expectation.kind == Expectation::Kind::Any;
    if (transactionGiven && !checksNumber) {
        error = "tn= goes with an expected class or any answer";
        return false;
    }
    return true;
}

}  // namespace tessaly::tools
