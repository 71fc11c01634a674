#include "tools/objcomm/script/AnswerCheck.h"

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "protocol/PacketFrame.h"
#include "tools/objcomm/PacketView.h"
#include "tools/objcomm/script/ScriptTokens.h"

namespace tessaly::tools {
namespace {

std::string Milliseconds(const Expectation& expectation) {
    return std::to_string(expectation.wait.count()) + " ms";
}

// Why a non-packet answer fails an expectation that wanted a packet.
std::string NoPacket(const Expectation& expectation, const Answer& answer) {
    switch (answer.kind) {
        case Answer::Kind::Silence:
            return answer.bytes.empty() ? "no answer within " + Milliseconds(expectation)
                                        : "only " + std::to_string(answer.bytes.size()) +
                                              " bytes of an answer within " + Milliseconds(expectation);
        case Answer::Kind::Closed:
            return answer.bytes.empty() ? "the station closed the connection"
                                        : "the station closed the connection after " +
                                              std::to_string(answer.bytes.size()) + " bytes of an answer";
        case Answer::Kind::Unframeable:
            return FormatText("the answer starts with 0x%02X, which is no frame type",
                              answer.bytes.empty() ? 0U : answer.bytes.front());
        case Answer::Kind::TooLong:
            return "the answer announces a packet larger than accepted";
        case Answer::Kind::Packet:
            break;
    }
    return {};
}

std::string CheckTransaction(const Expectation& expectation, const PacketView& view) {
    if (!expectation.transaction || view.status != PacketView::Status::Parsed ||
        view.command != kCommandPassThrough || view.transaction == *expectation.transaction) {
        return {};
    }
    return FormatText("the answer carries transaction %u, expected %u", view.transaction,
                      static_cast<unsigned>(*expectation.transaction));
}

std::string CheckFields(const Expectation& expectation, const CStringArray& description) {
    const std::vector<DescriptionLine> lines = DescriptionLines(description);
    std::string reasons;
    std::size_t next = 0;  // index of the next line that may be taken
    for (const auto& [label, value] : expectation.fields) {
        std::size_t line = next;
        while (line < lines.size() && !SameWord(lines[line].label, label)) {
            ++line;
        }
        std::string reason;
        if (line >= lines.size()) {
            reason = "the answer has no " + std::string(next == 0 ? "" : "further ") + "\"" + label + "\"";
        } else {
            next = line + 1;
            const std::string& actual = lines[line].value;
            if (!SameValue(actual, value)) {
                // Appended, not formatted: the texts may hold zero bytes.
                reason.append("\"").append(label).append("\" is \"").append(actual);
                reason.append("\", expected \"").append(value).append("\"");
            }
        }
        if (!reason.empty()) {
            reasons += reasons.empty() ? "" : "; ";
            reasons += reason;
        }
    }
    return reasons;
}

std::string Trim(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

Verdict Result(std::string reason) {
    return {reason.empty(), std::move(reason)};
}

}  // namespace

bool SameValue(const std::string& actual, const std::string& expected) {
    if (actual == expected) {
        return true;
    }
    CByteArray a;
    CByteArray b;
    return ParseHex(actual, a) && ParseHex(expected, b) && !a.empty() && a == b;
}

Verdict CheckAnswer(const Expectation& expectation, const Answer& answer) {
    switch (expectation.kind) {
        case Expectation::Kind::None:
            if (answer.kind == Answer::Kind::Silence && answer.bytes.empty()) {
                return {true, {}};
            }
            if (answer.kind == Answer::Kind::Closed && answer.bytes.empty()) {
                return Result("the station closed the connection");
            }
            return Result("an answer arrived");
        case Expectation::Kind::Closed:
            if (answer.kind == Answer::Kind::Closed && answer.bytes.empty()) {
                return {true, {}};
            }
            if (answer.kind == Answer::Kind::Silence && answer.bytes.empty()) {
                return Result("the connection stayed open for " + Milliseconds(expectation));
            }
            return Result(answer.kind == Answer::Kind::Packet ? "an answer arrived"
                                                              : NoPacket(expectation, answer));
        case Expectation::Kind::Packet:
            if (answer.kind != Answer::Kind::Packet) {
                return Result(NoPacket(expectation, answer));
            }
            return Result(answer.bytes == expectation.packet
                              ? std::string()
                              : "the answer is not the expected " + Trim(HexSpaced(expectation.packet)));
        case Expectation::Kind::Any:
        case Expectation::Kind::Class:
            break;
    }
    if (answer.kind != Answer::Kind::Packet) {
        return Result(NoPacket(expectation, answer));
    }
    const PacketView view = DecodePacket(answer.bytes, PacketDirection::FromStation, expectation.extended);
    if (expectation.kind == Expectation::Kind::Any) {
        return Result(CheckTransaction(expectation, view));
    }
    if (view.status != PacketView::Status::Parsed) {
        return Result("the answer is rejected: " +
                      (view.error.empty() ? std::string("out of memory") : view.error));
    }
    if (view.className != expectation.className) {
        return Result("the answer is " + view.className + ", expected " + expectation.className);
    }
    std::string reason = CheckTransaction(expectation, view);
    const std::string fields = CheckFields(expectation, view.description);
    if (!fields.empty()) {
        reason += (reason.empty() ? "" : "; ") + fields;
    }
    return Result(reason);
}

}  // namespace tessaly::tools
