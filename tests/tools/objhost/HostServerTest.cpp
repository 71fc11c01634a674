// `objcomm host` over real TCP, driven by a client made of the protocol library's own connection and
// the messages the driver and the configuration utility send: job-level answers, a job with operator
// messages, cards, mismatches and reports.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <functional>
#include <future>
#include <sstream>
#include <thread>

#include "common/Format.h"
#include "common/cli/CommandLine.h"
#include "protocol/ObjCommConnection.h"
#include "protocol/PassThruErrors.h"
#include "protocol/incoming/contactless/OperatorMessage.h"
#include "protocol/incoming/contactless/PassThroughEnd.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/PassThroughModeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "protocol/outgoing/RegistrationMessages.h"
#include "tests/support/RunningHost.h"
#include "tests/support/TestPackets.h"
#include "tools/objcomm/host/HostCommand.h"

namespace tessaly {
namespace {

using test::Hex;
using test::ToHex;
using MessageMaker = std::function<std::unique_ptr<CObjCommMessage>()>;

using test::CRunningHost;

// A connection to the host, as the driver opens one.
std::unique_ptr<CObjCommConnection> Connect(const CRunningHost& host) {
    auto connection = std::make_unique<CObjCommConnection>();
    EXPECT_TRUE(connection->Connect("127.0.0.1", host.Port()));
    return connection;
}

std::string Received(CObjCommConnection& connection) {
    CInBinaryString packet;
    return connection.ReceivePacket(packet) ? ToHex(packet.Bytes()) : "(closed)";
}

// The driver's start of a card: reader kind 2, the card reset with ATR 3B 02 14 50, data 01 02.
CMsgCorvidStartPassThroughMode CardStart() {
    return CMsgCorvidStartPassThroughMode("STATION1_1", "ST1", "APP", 2, true, Hex("3B021450"), 3579, 9600, 0,
                                          Hex("0102"), true);
}

struct JobLevelCase {
    const char* script;
    MessageMaker request;
    const char* answer;  // the whole packet the host sends back; empty: it closes without one
};

TEST(HostServer, AnswersJobLevelRequestsAsScripted) {
    const auto reg = [] { return std::make_unique<CMsgRegisterDevice>("PS7", Hex("01"), true, true); };
    const auto name = [] { return std::make_unique<CMsgRequestDeviceName>(true, 1); };
    const auto setName = [] { return std::make_unique<CMsgSetDeviceName>(1, "PS9", true); };
    const auto health = [] { return std::make_unique<CMsgHealthCheck>(true, false); };
    const JobLevelCase cases[] = {
        {"connection register", reg, "00 07 5B 43 54 52 4C 52 5D 06 00 03 50 53 37 29"},
        {"connection register\nerror code=96", reg, "00 07 5B 43 54 52 4C 52 5D FF 00 01 96 DC"},
        {"connection name", name, "00 07 5B 43 54 52 4C 52 5D 07 00 05 4C 49 4E 45 37 B1"},
        {"connection name\nexpect CMsgSetDeviceName \"Personalization Device Name\"=PS9", setName,
         "00 07 5B 43 54 52 4C 52 5D 09 00 03 50 53 39 2E"},
        {"connection name\nerror code=90", name, "00 07 5B 43 54 52 4C 52 5D FF 00 01 90 D6"},
        {"connection health", health, "00 07 5B 43 54 52 4C 52 5D 99 00 00 DF"},
        {"connection health\nerror code=93", health, "00 07 5B 43 54 52 4C 52 5D FF 00 01 93 D9"},
        {"connection health\nclose", health, ""},
        {"connection health\nraw 99 00 00 98", health, "99 00 00 98"},  // a checksum that fails
        {"connection health\naddress 0123456789ABCDEF\nhealth form=short", health, "99 00 00 99"},
    };
    for (const JobLevelCase& c : cases) {
        SCOPED_TRACE(c.script);
        tools::HostRun run = test::TestHostRun();
        run.options.answers.deviceName = "LINE7";
        CRunningHost host(c.script, run);
        const std::unique_ptr<CObjCommConnection> client = Connect(host);
        ASSERT_TRUE(client->Send(*c.request(), kAddressController, false));
        EXPECT_EQ(Received(*client), *c.answer == '\0' ? "(closed)" : ToHex(Hex(c.answer)));
        client->Close();
        EXPECT_EQ(host.Join(), 0) << host.Out();
    }
}

// Without a script: the answers of the options, a connection that gives up is no failure, and the
// host ends after the connections it was told to serve.
TEST(HostServer, DefaultAnswersComeFromTheOptions) {
    tools::HostRun run = test::TestHostRun();
    run.options.connections = 3;
    run.options.answers.registerError = 0x96;
    run.options.answers.nameError = 0x90;
    run.options.answers.accept = 0x05;
    CRunningHost host("", run);
    std::unique_ptr<CObjCommConnection> gaveUp = Connect(host);
    const std::pair<MessageMaker, const char*> cases[] = {
        {[] { return std::make_unique<CMsgRegisterDevice>("PS7", Hex("01"), "OLD", true); }, "FF: 96"},
        {[] { return std::make_unique<CMsgRequestDeviceName>(true, 1); }, "FF: 90"},
        {[] { return std::make_unique<CMsgTerminateJob>("PS7_1", "APP", true); },
         "0A: 05 30 30 30 30 30 00 00"},
    };
    for (const auto& [request, expected] : cases) {
        const std::unique_ptr<CObjCommConnection> client = Connect(host);
        ASSERT_TRUE(client->Send(*request(), kAddressController, false));
        const std::unique_ptr<CObjCommResponse> answer = client->Receive(false);
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(FormatText("%02X: ", answer->GetCommand()) + ToHex(answer->GetBody()), expected);
        gaveUp.reset();
    }
    const std::string out = host.Out();
    EXPECT_EQ(host.Join(), 0) << out;
    EXPECT_NE(out.find(" closed without a request\n"), std::string::npos) << out;
}

// Initialize as the driver runs it: a connection opened first and used after a second one that asks
// for the device name; then operator messages, Pass Through Complete and the finish message.
TEST(HostServer, ServesAJobWithOperatorMessages) {
    CRunningHost host(
        "connection name\n"
        "connection initialize\n"
        "expect CMsgTarnStartPassThroughMode \"Smart Card Module Name\"=STATION1_1 \"Station 0\"=\"Station  "
        "Present\"\n"
        "message text=\"Load the cards\"\n"
        "expect CMsgMessage \"Return Code\"=\"Operator Clicked 'OK'\"\n"
        "message text=\"Batch number?\" buttons=okcancel input=decimal length=4 confirm=yes\n"
        "expect CMsgMessage \"Data entered by user\"=0042\n"
        "complete accept=00\n"
        "expect CMsgPassThroughModeFinish Reason=\"Responding to ZOLT Server\"\n");
    const std::unique_ptr<CObjCommConnection> job = Connect(host);
    {
        const std::unique_ptr<CObjCommConnection> name = Connect(host);
        ASSERT_TRUE(name->Send(CMsgRequestDeviceName(true, 1), kAddressController, false));
        const std::unique_ptr<CObjCommResponse> answer = name->Receive(true);
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(ToHex(answer->GetBody()), ToHex(CByteArray{'S', 'T', 'A', 'T', 'I', 'O', 'N', '1'}));
    }
    CMsgTarnStartPassThroughMode start("STATION1_1", "APP", Hex("4649"), 1, 4, true);
    start.SetStationPresent(0);
    start.SetKeyStationPresent(0);
    ASSERT_TRUE(job->Send(start, kAddressController, false));
    // text, buttons, input, expected length, security, confirmation; the answer sent back
    const std::tuple<std::string, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                     std::string>
        messages[] = {{"Load the cards", 'O', 'N', 0, 'N', 'N', ""},
                      {"Batch number?", 'C', 'I', 4, 'N', 'Y', "0042"}};
    for (const auto& [text, buttons, input, length, security, confirm, entered] : messages) {
        const std::unique_ptr<CObjCommResponse> command = job->Receive(true);
        const auto* message = dynamic_cast<const CRspMessage*>(command.get());
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->GetText(), text);
        EXPECT_EQ(std::make_tuple(message->GetButtonScheme(), message->GetInputIndicator(),
                                  message->GetExpectedInputLength(), message->GetInputSecurity(),
                                  message->GetConfirmation()),
                  std::make_tuple(buttons, input, length, security, confirm));
        ASSERT_TRUE(job->Send(CMsgMessage(kMessageOk, entered, true), kAddressController, false));
    }
    const std::unique_ptr<CObjCommResponse> complete = job->Receive(true);
    ASSERT_NE(dynamic_cast<const CRspPassThroughModeComplete*>(complete.get()), nullptr);
    ASSERT_TRUE(
        job->Send(CMsgPassThroughModeFinish(kFinishRespondingToServer, true), kAddressController, false));
    EXPECT_EQ(job->Receive(false), nullptr);  // the host closes
    EXPECT_EQ(host.Join(), 0) << host.Out();
}

// Plays one card as the driver does: the start, a Process answered with `status`, the completion and
// the finish; returns what followed the finish.
std::string PlayCard(const CRunningHost& host, const CByteArray& status) {
    const std::unique_ptr<CObjCommConnection> card = Connect(host);
    EXPECT_TRUE(card->Send(CardStart(), kAddressCardProcessing, false));
    const std::unique_ptr<CObjCommResponse> process = card->Receive(true);
    if (process == nullptr || process->GetSubCommand() != 0x05) {
        return "no Process";
    }
    EXPECT_EQ(card->GetLastTransactionNumber(), 1);
    EXPECT_EQ(ToHex(process->GetBody()), "58 00 33 00 00 00 07 00 A4 04 00 02 3F 00");
    EXPECT_TRUE(card->Send(CMsgProcess(false, 0, status, false, true), kAddressCardProcessing, false));
    const std::unique_ptr<CObjCommResponse> end = card->Receive(true);
    const auto* complete = dynamic_cast<const CRspPassThroughModeComplete*>(end.get());
    if (complete == nullptr) {
        return "no Complete";
    }
    EXPECT_EQ(card->GetLastTransactionNumber(), 2);
    EXPECT_EQ(complete->GetAcceptCode(), 1U);
    EXPECT_EQ(complete->GetDllError(), "00123");
    EXPECT_EQ(ToHex(complete->GetAuditData()), "AB CD");
    EXPECT_TRUE(card->Send(CMsgPassThroughModeFinish(kFinishRespondingToServer, true), kAddressCardProcessing,
                           false));
    const std::unique_ptr<CObjCommResponse> last = card->Receive(false);
    return last == nullptr ? "closed" : last->ClassName();
}

constexpr const char* kCardScript =
    "connection card\n"
    "expect CMsgCorvidStartPassThroughMode \"Hardware Version\"=\"Software KBX\" \"ATR Data\"=3B021450 "
    "\"Card was reset\"= \"Data\"=\"01 02\"\n"
    "process apdu=00A4040002 3F00\n"
    "expect CMsgProcess \"Smart Card Response Data\"=9000\n"
    "complete accept=01 dllerror=00123 audit=ABCD\n"
    "expect CMsgPassThroughModeFinish\n"
    "finish\n";

TEST(HostServer, PlaysTheCardSectionForEachCard) {
    tools::HostRun run = test::TestHostRun();
    run.options.cards = 2;
    CRunningHost host(kCardScript, run);
    EXPECT_EQ(PlayCard(host, Hex("9000")), "CRspPassThroughModeFinish");
    EXPECT_EQ(PlayCard(host, Hex("9000")), "CRspPassThroughModeFinish");
    const std::string out = host.Out();
    EXPECT_EQ(host.Join(), 0) << out;
    EXPECT_EQ(out.rfind("listening on 127.0.0.1:", 0), 0U) << out;
    EXPECT_NE(out.find("ok   line 2: expect CMsgCorvidStartPassThroughMode"), std::string::npos) << out;
    EXPECT_NE(out.find("\n     Card was reset\n"), std::string::npos) << out;
    EXPECT_NE(out.find("all 2 connections passed"), std::string::npos) << out;
}

TEST(HostServer, FailsWhenAnAnswerOrARequestDiffers) {
    {
        CRunningHost host(kCardScript);
        EXPECT_EQ(PlayCard(host, Hex("6A82")), "no Complete");  // the run stops at the mismatch
        const std::string out = host.Out();
        EXPECT_EQ(host.Join(), 1);
        EXPECT_NE(out.find("FAIL line 4: expect CMsgProcess \"Smart Card Response Data\"=9000\n"
                           "     \"Smart Card Response Data\" is \"6A82\", expected \"9000\""),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("FAILED: 1 of 1 connections failed"), std::string::npos) << out;
    }
    {
        CRunningHost host("connection card\nconnection terminate");
        const std::unique_ptr<CObjCommConnection> client = Connect(host);
        ASSERT_TRUE(client->Send(CMsgTerminateJob("STATION1_1", "APP", true), kAddressController, false));
        EXPECT_EQ(client->Receive(true), nullptr);
        const std::string out = host.Out();
        EXPECT_EQ(host.Join(), 1);
        EXPECT_NE(out.find("line 1: connection card waits for CMsgCorvidStartPassThroughMode; the request is "
                           "CMsgTerminateJob"),
                  std::string::npos)
            << out;
    }
}

TEST(HostServer, ReportsEveryPacketAsJsonWithTextsByteForByte) {
    tools::HostRun run = test::TestHostRun();
    run.json = true;
    run.options.connections = 1;
    run.options.answers.deviceName = "Caf\xE9\x01";
    CRunningHost host("", run);
    {
        const std::unique_ptr<CObjCommConnection> client = Connect(host);
        ASSERT_TRUE(client->Send(CMsgRequestDeviceName(true, 1), kAddressController, false));
        EXPECT_EQ(Received(*client), "00 07 5B 43 54 52 4C 52 5D 07 00 05 43 61 66 E9 01 46");
    }
    std::istringstream lines(host.Out());
    std::vector<nlohmann::json> objects;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.find_first_of("\xE9\x01"), std::string::npos) << line;
        objects.push_back(nlohmann::json::parse(line));
    }
    EXPECT_EQ(host.Join(), 0);
    ASSERT_EQ(objects.size(), 5U);
    EXPECT_GT(objects[0]["port"].get<int>(), 0);
    EXPECT_EQ(objects[1]["kind"], "name");
    EXPECT_EQ(objects[1]["request"]["packet"]["class"], "CMsgRequestDeviceName");
    const nlohmann::json& sent = objects[2]["sent"][0]["packet"];
    EXPECT_EQ(sent["class"], "CRspRequestDeviceName");
    EXPECT_EQ(sent["description"][3], "Caf\xC3\xA9\x01");  // U+00E9, U+0001
    EXPECT_EQ(objects[2]["answers"][0]["event"], "closed");
    EXPECT_EQ(objects[3]["closed"], true);
    EXPECT_EQ(objects[4]["ok"], true);
}

TEST(HostServer, RefusesABadScriptNamingEachLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "test.host:1: the script has no connection line\n"},
        {"process apdu=00B0000000",
         "test.host:1: commands and expect lines belong to a connection: begin "
         "with a connection line\n"},
        {"connection bank",
         "test.host:1: unknown connection kind bank: register, name, health, initialize, "
         "card or terminate\n"},
        {"connection card repeat=0",
         "test.host:1: connection card takes repeat=N (1 to 10000) and nothing else\n"},
        {"connection card\nexpect CMsgTerminateJob",
         "test.host:2: connection card opens with CMsgCorvidStartPassThroughMode, not CMsgTerminateJob\n"},
        {"connection health\nexpect closed",
         "test.host:2: a connection opens with a request: expect its class, its bytes or any\n"},
        {"connection card\nexpect any\nexpect any",
         "test.host:3: the request that opens a connection takes one expect line\n"},
        {"connection health\nclose\ntimeout 100\nhealth",
         "test.host:4: the close line 2 ends its connection: "
         "only settings may follow it before the next "
         "connection line\n"},
        {"connection health\nreconnect",
         "test.host:2: reconnect has no place in a host script: each "
         "connection section is one connection\n"},
        {"connection initialize\nmessage text=Hi length=4",
         "test.host:2: message: length= travels only with an input other than none\n"},
        {"connection register\nerror", "test.host:2: error: field code= is missing\n"},
        {"connection card\nprocess\nconnection health\nclose now",
         "test.host:2: process: field apdu= is missing\ntest.host:4: close takes nothing\n"},
    };
    for (const auto& [script, errors] : cases) {
        std::ostringstream out;
        std::ostringstream err;
        const std::string text = script;
        EXPECT_EQ(tools::RunHostScript(test::TestHostRun(), &text, "test.host", out, err), 2) << script;
        EXPECT_EQ(err.str(), errors);
        EXPECT_EQ(out.str(), "");
    }
}

TEST(HostServer, CommandLineUsageErrorsExitWithTwo) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"host"}, "--port is required"},
        {{"host", "--port", "70000"}, "--port: Value 70000 not in range"},
        {{"host", "--port", "0", "--cards", "2"}, "--cards requires SCRIPT"},
        {{"host", "--port", "0", "--once", "job.host"}, "SCRIPT excludes --once"},
        {{"host", "--port", "0", "--accept", "1FF"},
         "--accept: \"1FF\" is not a hexadecimal code from 00 to FF"},
        {{"host", "--port", "0", "--bind", "localhost"}, "--bind: \"localhost\" is not a dotted-decimal"},
    };
    for (const auto& [args, message] : cases) {
        CLI::App app("objcomm", "objcomm");
        cli::Prepare(app);
        tools::HostCommandLine line;
        tools::AddHostCommand(app, line);
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::Parse(app, args, out, err), std::optional<int>(2)) << message;
        EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
    }
}

}  // namespace
}  // namespace tessaly
