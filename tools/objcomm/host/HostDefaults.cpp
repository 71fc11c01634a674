#include "tools/objcomm/host/HostDefaults.h"

#include "common/Format.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/RegistrationMessages.h"
#include "tools/objcomm/script/NamedCommands.h"
#include "tools/objcomm/script/ScriptPackets.h"

namespace tessaly::tools {
namespace {

// Pass-through commands of a default exchange carry this number; nothing else shares the connection.
constexpr std::uint16_t kDefaultTransaction = 1;
constexpr const char* kDefaultNote = "   # default";

Expectation Expect(const HostSection& section, Expectation::Kind kind, std::string text) {
    Expectation expectation;
    expectation.kind = kind;
    expectation.line = section.line;
    expectation.text = std::move(text);
    expectation.wait = section.opening.wait;
    expectation.extended = section.extended;
    return expectation;
}

Expectation ExpectClosed(const HostSection& section) {
    return Expect(section, Expectation::Kind::Closed, "expect closed");
}

Expectation ExpectFinish(const HostSection& section) {
    const char* reason = LookupText(kFinishReasons, kFinishRespondingToServer, "");
    Expectation expectation = Expect(
        section, Expectation::Kind::Class,
        std::string("expect ") + CMsgPassThroughModeFinish::kClassName + " \"Reason\"=\"" + reason + "\"");
    expectation.className = CMsgPassThroughModeFinish::kClassName;
    expectation.fields.emplace_back("Reason", reason);
    expectation.transaction = kDefaultTransaction;
    return expectation;
}

// One named command (`text` is how a script would write it) with its expectation.
bool NamedStep(const HostSection& section, const char* name, const std::vector<NamedField>& fields,
               const std::string& text, Expectation expectation, std::vector<Step>& steps,
               std::string& error) {
    NamedBody named;
    if (!BuildNamedBody(name, fields, {}, section.extended, named, error)) {
        return false;
    }
    ScriptPacket scripted;
    FramedCommand& framed = scripted.framed;
    framed.className = named.commandClass->name;
    framed.command = named.commandClass->command;
    framed.subCommand = named.commandClass->subCommand;
    framed.transaction = framed.subCommand >= 0 ? kDefaultTransaction : 0;
    framed.address = section.address;
    framed.body = std::move(named.body);
    CByteArray packet;
    if (!BuildFramedPacket(framed, packet, error)) {
        return false;
    }
    Step step;
    step.line = section.line;
    step.text = text + kDefaultNote;
    step.extended = section.extended;
    step.packets.push_back(std::move(scripted));
    step.expectations.push_back(std::move(expectation));
    steps.push_back(std::move(step));
    return true;
}

std::string HexCode(std::uint8_t code) {
    return FormatText("%02X", static_cast<unsigned>(code));
}

// A job-level answer: the refusal when one is set, else `name` with its text field.
bool JobAnswer(const HostSection& section, std::optional<std::uint8_t> refusal, const char* name,
               const char* field, const std::string& value, std::vector<Step>& steps, std::string& error) {
    if (refusal) {
        const std::string code = HexCode(*refusal);
        return NamedStep(section, "error", {{"code", {code}}}, "error code=" + code, ExpectClosed(section),
                         steps, error);
    }
    return NamedStep(section, name, {{field, {value}}},
                     std::string(name) + " " + field + "=\"" + value + "\"", ExpectClosed(section), steps,
                     error);
}

}  // namespace

HostSection DefaultSection(ConnectionKind kind, const ScriptSettings& settings) {
    HostSection section;
    section.kind = kind;
    section.text = std::string("connection ") + KindName(kind) + kDefaultNote;
    section.opening.kind = Expectation::Kind::Any;
    section.opening.text = section.text;
    section.opening.wait = settings.wait;
    section.opening.extended = settings.extended;
    section.address = settings.address;
    section.extended = settings.extended;
    section.defaults = true;
    return section;
}

bool DefaultSteps(const HostSection& section, const CObjCommMessage& request, const HostAnswers& answers,
                  std::vector<Step>& steps, std::string& error) {
    steps.clear();
    const std::string complete = "complete accept=" + HexCode(answers.accept);
    const std::vector<NamedField> completeFields = {{"accept", {HexCode(answers.accept)}}};
    switch (section.kind) {
        case ConnectionKind::Register: {
            const auto* message = dynamic_cast<const CMsgRegisterDevice*>(&request);
            return JobAnswer(section, answers.registerError, "registered", "text",
                             message != nullptr ? message->GetDeviceName() : std::string(), steps, error);
        }
        case ConnectionKind::Name:
            if (const auto* set = dynamic_cast<const CMsgSetDeviceName*>(&request)) {
                return JobAnswer(section, answers.nameError, "setname", "name", set->GetDeviceName(), steps,
                                 error);
            }
            return JobAnswer(section, answers.nameError, "devicename", "name", answers.deviceName, steps,
                             error);
        case ConnectionKind::Health:
            return NamedStep(section, "health", {}, "health", ExpectClosed(section), steps, error);
        case ConnectionKind::Initialize:
        case ConnectionKind::Card:
            return NamedStep(section, "complete", completeFields, complete, ExpectFinish(section), steps,
                             error);
        case ConnectionKind::Terminate:
            return NamedStep(section, "complete", completeFields, complete, ExpectClosed(section), steps,
                             error);
    }
    return false;
}

}  // namespace tessaly::tools
