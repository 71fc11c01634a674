#include "tools/objcomm/script/NamedCommands.h"

#include <limits>

#include "common/Format.h"
#include "protocol/BinaryString.h"
#include "protocol/ValueCodes.h"
#include "protocol/incoming/contactless/OperatorMessage.h"
#include "tools/objcomm/script/ScriptTokens.h"

namespace tessaly::tools {
namespace {

constexpr std::uint64_t kMax8 = std::numeric_limits<std::uint8_t>::max();
constexpr std::uint64_t kMax16 = std::numeric_limits<std::uint16_t>::max();
constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

// Defaults: the contact station, 5 V and 3.579 MHz in either notation.
constexpr std::uint64_t kDefaultDestination = kDestinationKbx;
constexpr std::uint64_t kDefaultMillivolts = 5000;
constexpr std::uint64_t kDefaultVoltageCode = 0x02;
constexpr std::uint64_t kDefaultKilohertz = 3579;
constexpr std::uint64_t kDefaultClockCode = 0x11;
constexpr std::uint64_t kResetPpsDefaultClock = 0xFF;   // "Default"
constexpr std::uint64_t kWarmResetPpsKeepClock = 0xFE;  // "Keep Current"

constexpr CodeText kCheckModes[] = {{0, "none"}, {1, "whole"}, {2, "sw"}};

using Builder = void (*)(CFieldSet& fields, bool extended, COutBinaryString& out);

struct NamedCommand {
    const char* name;
    const char* className;
    Builder build;
};

std::uint8_t Destination(CFieldSet& f) {
    return static_cast<std::uint8_t>(f.Named("dest", kAllDestinations, kMax8, kDefaultDestination));
}

// A voltage or clock: a 32-bit quantity when extended, a one-byte code otherwise.
void WriteValue(CFieldSet& f, const char* name, bool extended, std::uint64_t quantity, std::uint64_t code,
                COutBinaryString& out) {
    if (extended) {
        out.AppendDWord(static_cast<std::uint32_t>(f.Number(name, kMax32, quantity)));
    } else {
        out.AppendByte(static_cast<std::uint8_t>(f.Code(name, kMax8, code)));
    }
}

// The ISO 7816-4 case of a short APDU, as the case byte '1' to '4'; none when the length tells none.
std::optional<std::uint64_t> ApduCase(const CByteArray& apdu) {
    if (apdu.size() == 4) {
        return 0x31;
    }
    if (apdu.size() == 5) {
        return 0x32;
    }
    if (apdu.size() > 5 && apdu[4] != 0) {
        if (apdu.size() == 5U + apdu[4]) {
            return 0x33;
        }
        if (apdu.size() == 6U + apdu[4]) {
            return 0x34;
        }
    }
    return std::nullopt;
}

void WriteProcess(CFieldSet& f, bool extended, COutBinaryString& out) {
    const std::uint8_t destination = Destination(f);
    const auto timeOut = static_cast<std::uint8_t>(f.Number("timeout", kMax8, 0));
    const CByteArray apdu = f.Bytes("apdu", kMax16, std::nullopt);
    const std::optional<std::uint64_t> inferred = ApduCase(apdu);
    if (!inferred && !f.Has("case")) {
        f.Fail("the APDU case cannot be told from the APDU's length; give case=");
    }
    const auto apduCase = static_cast<std::uint8_t>(f.Code("case", kMax8, inferred.value_or(0)));
    out.AppendByte(destination).AppendByte(timeOut).AppendByte(apduCase);
    if (extended) {
        out.AppendWord(static_cast<std::uint16_t>(f.Code("flags", kMax16, 0)));
    } else {
        f.Forbid("flags", "travels only in the extended layout");
    }
    out.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(apdu).SetLengthPrefix(LengthPrefix::None);
}

void WriteStationValue(CFieldSet& f, bool extended, const char* name, std::uint64_t quantity,
                       std::uint64_t code, COutBinaryString& out) {
    out.AppendByte(Destination(f)).AppendWord(extended ? 4 : 1);
    WriteValue(f, name, extended, quantity, code, out);
}

void BuildReset(CFieldSet& f, bool extended, COutBinaryString& out) {
    WriteStationValue(f, extended, "voltage", kDefaultMillivolts, kDefaultVoltageCode, out);
}

void BuildFrequency(CFieldSet& f, bool extended, COutBinaryString& out) {
    WriteStationValue(f, extended, "clock", kDefaultKilohertz, kDefaultClockCode, out);
}

void BuildDestinationOnly(CFieldSet& f, bool /*extended*/, COutBinaryString& out) {
    out.AppendByte(Destination(f));
}

void BuildResetPps(CFieldSet& f, bool extended, COutBinaryString& out) {
    out.AppendByte(Destination(f));
    WriteValue(f, "voltage", extended, kDefaultMillivolts, kDefaultVoltageCode, out);
    WriteValue(f, "clock", extended, kDefaultKilohertz, kResetPpsDefaultClock, out);
}

void BuildWarmResetPps(CFieldSet& f, bool extended, COutBinaryString& out) {
    out.AppendByte(Destination(f));
    WriteValue(f, "clock", extended, kDefaultKilohertz, kWarmResetPpsKeepClock, out);
}

void BuildNothing(CFieldSet& /*f*/, bool /*extended*/, COutBinaryString& /*out*/) {}

void BuildResend(CFieldSet& f, bool /*extended*/, COutBinaryString& out) {
    out.AppendByte(static_cast<std::uint8_t>(f.Code("rc", kMax8, 0)));
    out.AppendByte(static_cast<std::uint8_t>(f.Code("error", kMax8, std::nullopt)));
}

void BuildAttribute(CFieldSet& f, bool /*extended*/, COutBinaryString& out) {
    out.AppendByte(static_cast<std::uint8_t>(f.Named("dest", kAllDestinations, kMax8, kDefaultDestination)));
    out.AppendByte(static_cast<std::uint8_t>(f.Number("attr", kMax8, std::nullopt)));
    const bool hasValue = f.Has("value");
    const auto setFlag = static_cast<std::uint8_t>(f.Code("set", kMax8, hasValue ? 1 : 0));
    out.AppendByte(setFlag);
    if (setFlag != 0) {
        out.AppendDWord(static_cast<std::uint32_t>(f.Number("value", kMax32, 0)));
    } else {
        f.Forbid("value", "needs a set flag other than 00 (a read carries no value)");
    }
}

void BuildSimulation(CFieldSet& f, bool extended, COutBinaryString& out) {
    if (extended) {
        out.AppendByte(
            static_cast<std::uint8_t>(f.Named("dest", kAllDestinations, kMax8, kDefaultDestination)));
    } else {
        f.Forbid("dest", "travels only in the extended layout");
    }
    out.AppendByte(0);  // the simulation kind: a delay loop
    out.AppendDWord(static_cast<std::uint32_t>(f.Number("delay", kMax32, 0)));
    out.AppendWord(static_cast<std::uint16_t>(f.Number("length", kMax16, std::nullopt)));
    out.SetLengthPrefix(LengthPrefix::TwoBytes)
        .AppendBytes(f.Bytes("data", kMax16, CByteArray{}))
        .SetLengthPrefix(LengthPrefix::None);
}

void BuildCardType(CFieldSet& f, bool /*extended*/, COutBinaryString& out) {
    out.AppendByte(static_cast<std::uint8_t>(f.Code("type", kMax8, std::nullopt)));
}

constexpr std::size_t kDllErrorLength = 5;

void BuildComplete(CFieldSet& f, bool /*extended*/, COutBinaryString& out) {
    out.AppendByte(static_cast<std::uint8_t>(f.Code("accept", kMax8, 0)));
    const std::string dllError = f.Text("dllerror", std::string("00000"));
    if (dllError.size() != kDllErrorLength) {
        f.Fail("dllerror= takes exactly 5 characters");
    }
    out.AppendString(dllError);
    out.SetLengthPrefix(LengthPrefix::TwoBytes)
        .AppendBytes(f.Bytes("audit", kMax16, CByteArray{}))
        .SetLengthPrefix(LengthPrefix::None);
}

// Operator messages: the codes also by name.
constexpr CodeText kButtonNames[] = {{CRspMessage::kButtonsOk, "ok"},
                                     {CRspMessage::kButtonsOkCancel, "okcancel"},
                                     {CRspMessage::kButtonsYesNo, "yesno"}};
constexpr CodeText kInputNames[] = {{CRspMessage::kInputNone, "none"},
                                    {CRspMessage::kInputHexadecimal, "hex"},
                                    {CRspMessage::kInputDecimal, "decimal"},
                                    {CRspMessage::kInputAny, "text"}};
constexpr CodeText kSecurityNames[] = {{CRspMessage::kInputSecret, "secret"},
                                       {CRspMessage::kAnswerNo, "plain"}};
constexpr CodeText kConfirmNames[] = {{CRspMessage::kConfirmInput, "yes"}, {CRspMessage::kAnswerNo, "no"}};

void BuildMessage(CFieldSet& f, bool /*extended*/, COutBinaryString& out) {
    const std::string text = f.Text("text", std::string());
    if (text.size() > kMax16) {
        f.Fail("text= holds more than 65535 characters");
    }
    out.SetLengthPrefix(LengthPrefix::TwoBytes).AppendString(text).SetLengthPrefix(LengthPrefix::None);
    out.AppendByte(
        static_cast<std::uint8_t>(f.Named("buttons", kButtonNames, kMax8, CRspMessage::kButtonsOk)));
    const auto input =
        static_cast<std::uint8_t>(f.Named("input", kInputNames, kMax8, CRspMessage::kInputNone));
    out.AppendByte(input);
    if (input == CRspMessage::kInputNone) {
        const char* reason = "travels only with an input other than none";
        f.Forbid("length", reason);
        f.Forbid("security", reason);
        f.Forbid("confirm", reason);
        return;
    }
    out.AppendByte(static_cast<std::uint8_t>(f.Number("length", kMax8, 0)));
    out.AppendByte(
        static_cast<std::uint8_t>(f.Named("security", kSecurityNames, kMax8, CRspMessage::kAnswerNo)));
    out.AppendByte(
        static_cast<std::uint8_t>(f.Named("confirm", kConfirmNames, kMax8, CRspMessage::kAnswerNo)));
}

void BuildError(CFieldSet& f, bool /*extended*/, COutBinaryString& out) {
    out.AppendByte(static_cast<std::uint8_t>(f.Code("code", kMax8, std::nullopt)));
}

// The device replies carry one text as their whole body.
void WriteWholeText(CFieldSet& f, const char* name, const std::optional<std::string>& fallback,
                    COutBinaryString& out) {
    out.AppendString(f.Text(name, fallback));
}

void BuildRegistered(CFieldSet& f, bool /*extended*/, COutBinaryString& out) {
    WriteWholeText(f, "text", std::string(), out);
}

void BuildDeviceName(CFieldSet& f, bool /*extended*/, COutBinaryString& out) {
    WriteWholeText(f, "name", std::nullopt, out);
}

constexpr NamedCommand kCommands[] = {
    {"process", "CRspProcess", &WriteProcess},
    {"reset", "CRspResetCard", &BuildReset},
    {"voltage", "CRspSetVoltage", &BuildReset},
    {"frequency", "CRspSetFrequency", &BuildFrequency},
    {"warmreset", "CRspWarmReset", &BuildDestinationOnly},
    {"resetpps", "CRspResetCardWithPPS", &BuildResetPps},
    {"warmresetpps", "CRspWarmResetWithPPS", &BuildWarmResetPps},
    {"query", "CRspQueryCard", &BuildDestinationOnly},
    {"eject", "CRspEjectCard", &BuildDestinationOnly},
    {"keepalive", "CRspKeepAlive", &BuildNothing},
    {"resend", "CRspResend", &BuildResend},
    {"attribute", "CRspReaderAttribute", &BuildAttribute},
    {"bulk", "CRspBulkProcess", &BuildNothing},
    {"health", "CRspHealthCheck", &BuildNothing},
    {"simulate", "CRspCardCommandSimulation", &BuildSimulation},
    {"cardtype", "CRspSetCardType", &BuildCardType},
    {"finish", "CRspPassThroughModeFinish", &BuildNothing},
    {"complete", "CRspPassThroughModeComplete", &BuildComplete},
    {"message", "CRspMessage", &BuildMessage},
    {"error", "CRspError", &BuildError},
    {"registered", "CRspRegisterDevice", &BuildRegistered},
    {"devicename", "CRspRequestDeviceName", &BuildDeviceName},
    {"setname", "CRspSetDeviceName", &BuildDeviceName},
};

const NamedCommand* FindCommand(const std::string& word) {
    for (const NamedCommand& command : kCommands) {
        if (SameWord(word, command.name)) {
            return &command;
        }
    }
    return nullptr;
}

// One item: its length (the bytes after the length field), the Process body, the check mode and,
// for a mode other than 0, the expected result with a one-byte length.
bool WriteBulkItem(const std::vector<NamedField>& fields, bool extended, COutBinaryString& out,
                   std::string& error) {
    CFieldSet f(fields);
    COutBinaryString item;
    WriteProcess(f, extended, item);
    const auto mode = static_cast<std::uint8_t>(f.Named("check", kCheckModes, kMax8, 0));
    item.AppendByte(mode);
    if (mode != 0) {
        item.SetLengthPrefix(LengthPrefix::OneByte)
            .AppendBytes(f.Bytes("result", kMax8, CByteArray{}))
            .SetLengthPrefix(LengthPrefix::None);
    } else {
        f.Forbid("result", "needs a check mode other than none");
    }
    if (!f.Finish(error)) {
        return false;
    }
    if (extended) {
        out.AppendDWord(static_cast<std::uint32_t>(item.Size()));
    } else {
        out.AppendWord(static_cast<std::uint16_t>(item.Size()));
    }
    out.AppendBytes(item.Bytes());
    return true;
}

bool WriteBulkItems(const std::vector<std::vector<NamedField>>& items, bool extended, COutBinaryString& out,
                    std::string& error) {
    if (items.size() > kMax16) {
        error = "a bulk command counts at most 65535 items";
        return false;
    }
    out.AppendWord(static_cast<std::uint16_t>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!WriteBulkItem(items[i], extended, out, error)) {
            error.insert(0, FormatText("item %zu: ", i + 1));
            return false;
        }
    }
    return true;
}

}  // namespace

bool BuildBulkItem(const std::vector<NamedField>& fields, bool extended, CByteArray& out,
                   std::string& error) {
    COutBinaryString item;
    if (!WriteBulkItem(fields, extended, item, error)) {
        return false;
    }
    out = item.TakeBytes();
    return true;
}

bool IsNamedCommand(const std::string& word) {
    return FindCommand(word) != nullptr;
}

bool TakesItems(const std::string& word) {
    return SameWord(word, "bulk");
}

bool BuildNamedBody(const std::string& name, const std::vector<NamedField>& fields,
                    const std::vector<std::vector<NamedField>>& items, bool extended, NamedBody& out,
                    std::string& error) {
    const NamedCommand* command = FindCommand(name);
    if (command == nullptr) {
        error = "unknown command " + name;
        return false;
    }
    CFieldSet f(fields);
    COutBinaryString body;
    command->build(f, extended, body);
    if (!f.Finish(error)) {
        return false;
    }
    if (TakesItems(name) && !WriteBulkItems(items, extended, body, error)) {
        return false;
    }
    out.commandClass = FindIncomingClass(command->className);
    out.body = body.TakeBytes();
    out.transaction.reset();
    if (SameWord(name, "finish")) {
        out.transaction = 0;  // with any other number the sub-code reads as Complete
    }
    return true;
}

}  // namespace tessaly::tools
