// Whole runs of `objcomm zolt` over real TCP against a fake station: passing, mismatching, closed,
// silent, fragmented and joined exchanges, reconnects, reports and usage.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/ProcessAcks.h"
#include "tests/support/TestPackets.h"
#include "tests/zolt/FakeStation.h"
#include "tools/objcomm/zolt/ZoltCommand.h"

namespace tessaly {
namespace {

using test::CFakeStation;
using test::CStationLink;
using test::Hex;
using Clock = std::chrono::steady_clock;

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
    Clock::duration elapsed;
};

RunResult RunScript(std::uint16_t port, const std::string& script, tools::ZoltOptions options = {}) {
    std::ostringstream out;
    std::ostringstream err;
    const Clock::time_point start = Clock::now();
    const int code = tools::RunZoltScript("127.0.0.1", port, script, "test.zolt", options, out, err);
    return {code, out.str(), err.str(), Clock::now() - start};
}

// A port on which nobody listens.
std::uint16_t ClosedPort() {
    platform::CSocket listener = platform::CSocket::CreateTcp();
    EXPECT_TRUE(listener.Bind("127.0.0.1", 0));
    return listener.LocalPort();
}

// A session that answers each packet with what `reply` makes of it (nothing for null), stamped with
// the packet's transaction number, until the client closes.
using Reply = std::function<std::unique_ptr<CObjCommMessage>(const CObjCommResponse& command)>;
CFakeStation::Session Responder(Reply reply) {
    return [reply = std::move(reply)](CStationLink& link) {
        for (CByteArray bytes = link.Receive(); !bytes.empty(); bytes = link.Receive()) {
            std::uint32_t transaction = 0;
            const std::unique_ptr<CObjCommResponse> command = test::ParseAsStation(bytes, transaction);
            if (!command) {
                continue;
            }
            if (const std::unique_ptr<CObjCommMessage> answer = reply(*command)) {
                link.Reply(*answer, static_cast<std::uint16_t>(transaction));
            }
        }
    };
}

// Keep-alives are acknowledged; a Process gets return code 6A82 and the data 6F1A.
std::unique_ptr<CObjCommMessage> KeepAliveAndFailingProcess(const CObjCommResponse& command) {
    if (command.GetSubCommand() == 0x05) {
        return std::make_unique<CMsgProcess>(false, 0x6A82, Hex("6F1A"), false, true);
    }
    return std::make_unique<CMsgKeepAlive>(true);
}

TEST(ZoltRun, PassingExchangePrintsBothPackets) {
    CFakeStation station({test::AnswerLikeStation});
    const RunResult run =
        RunScript(station.Port(), "keepalive\nexpect CMsgKeepAlive \"Command\"=\"Keep Alive Acknowledge\"\n");
    station.Join();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const std::string packet = "00 05 5B 4B 45 59 5D 0A 00 03 13 00 01 C7";
    EXPECT_EQ(run.out, "connected to 127.0.0.1:" + std::to_string(station.Port()) +
                           "\n"
                           "\n"
                           "line 1: keepalive\n"
                           ">> " +
                           packet +
                           "\n"
                           "   Class        CRspKeepAlive\n"
                           "   Command      0x0A\n"
                           "   Sub-command  0x13\n"
                           "   Transaction  1 (0x0001)\n"
                           "   Form         long\n"
                           "   Body         (empty)\n"
                           "\n"
                           "     Command  Keep Alive\n"
                           "<< " +
                           packet +
                           "\n"
                           "   Class        CMsgKeepAlive\n"
                           "   Command      0x0A\n"
                           "   Sub-command  0x13\n"
                           "   Transaction  1 (0x0001)\n"
                           "   Form         long\n"
                           "   Body         (empty)\n"
                           "\n"
                           "     Command  Keep Alive Acknowledge\n"
                           "ok   line 2: expect CMsgKeepAlive \"Command\"=\"Keep Alive Acknowledge\"\n"
                           "\n"
                           "all 1 steps passed\n");
    EXPECT_EQ(station.Receives(), std::vector<CByteArray>{Hex(packet)});
}

TEST(ZoltRun, MismatchStopsTheRunWithExitOne) {
    const std::string script =
        "process apdu=00A4040002 3F00 00\n"
        "expect CMsgProcess \"Return Code\"=00000000 \"Smart Card Response Data\"=6F1A\n"
        "keepalive\n"
        "expect CMsgKeepAlive\n";
    CFakeStation station({Responder(KeepAliveAndFailingProcess)});
    const RunResult run = RunScript(station.Port(), script);
    station.Join();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(
        run.out.find(
            "FAIL line 2: expect CMsgProcess \"Return Code\"=00000000 \"Smart Card Response Data\"=6F1A\n"
            "     \"Return Code\" is \"00006a82\", expected \"00000000\"\n"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\nFAILED: 1 of 1 steps run failed\n"), std::string::npos) << run.out;
    EXPECT_EQ(station.Receives().size(), 1U);  // the keep-alive never went out

    CFakeStation again({Responder(KeepAliveAndFailingProcess)});
    tools::ZoltOptions keepGoing;
    keepGoing.keepGoing = true;
    const RunResult all = RunScript(again.Port(), script, keepGoing);
    again.Join();
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_NE(all.out.find("ok   line 4: expect CMsgKeepAlive\n"), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("\nFAILED: 1 of 2 steps run failed\n"), std::string::npos) << all.out;
    EXPECT_EQ(again.Receives().size(), 2U);
}

TEST(ZoltRun, ClosedConnection) {
    const auto closeAfterOne = [](CStationLink& link) { (void)link.Receive(); };
    {
        CFakeStation station({closeAfterOne});
        const RunResult run = RunScript(station.Port(), "keepalive\nexpect CMsgKeepAlive\n");
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.out.find("<< (connection closed)\nFAIL line 2: expect CMsgKeepAlive\n"
                               "     the station closed the connection\n"),
                  std::string::npos)
            << run.out;
    }
    {
        CFakeStation station({closeAfterOne});
        const RunResult run = RunScript(station.Port(), "keepalive\nexpect closed\n");
        EXPECT_EQ(run.exitCode, 0) << run.out;
    }
    {
        CFakeStation station({closeAfterOne});
        const RunResult run = RunScript(station.Port(), "keepalive\nexpect closed\nkeepalive\n");
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.out.find("FAIL line 3: not connected: the connection is gone (reconnect first)\n"),
                  std::string::npos)
            << run.out;
    }
}

TEST(ZoltRun, SilenceWaitsNoLongerThanTheTimeOut) {
    const auto silent = [](CStationLink& link) {
        (void)link.Receive();
        link.WaitForClose();
    };
    {
        CFakeStation station({silent});
        const RunResult run = RunScript(station.Port(), "keepalive\nexpect none wait=200\n");
        EXPECT_EQ(run.exitCode, 0) << run.out;
        EXPECT_GE(run.elapsed, std::chrono::milliseconds(200));
        EXPECT_NE(run.out.find("<< (nothing within 200 ms)\nok   line 2: expect none wait=200\n"),
                  std::string::npos);
    }
    {
        CFakeStation station({silent});
        const RunResult run = RunScript(station.Port(), "timeout 300\nkeepalive\nexpect CMsgKeepAlive\n");
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_GE(run.elapsed, std::chrono::milliseconds(300));
        EXPECT_LT(run.elapsed, std::chrono::seconds(3));
        EXPECT_NE(run.out.find("FAIL line 3: expect CMsgKeepAlive\n     no answer within 300 ms\n"),
                  std::string::npos)
            << run.out;
    }
    {
        // A command without expect line waits for any answer, as long as the time-out allows.
        CFakeStation station({silent});
        const RunResult run = RunScript(station.Port(), "timeout 100\nkeepalive\n");
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.out.find("FAIL (any answer)\n     no answer within 100 ms\n"), std::string::npos)
            << run.out;
    }
}

TEST(ZoltRun, RawPiecesArriveApart) {
    CFakeStation station({test::AnswerLikeStation});
    const RunResult run =
        RunScript(station.Port(),
                  "pieces 200 00 05 5B 4B | 45 59 5D 0A 00 03 13 00 07 CD\n"
                  "expect CMsgPassThroughModeFinish \"Reason\"=\"Command packet is corrupted.\" tn=0\n"
                  "expect CMsgPassThroughModeFinish \"Reason\"=\"Command packet is corrupted.\"\n");
    station.Join();
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(station.Receives(),
              (std::vector<CByteArray>{Hex("00 05 5B 4B"), Hex("45 59 5D 0A 00 03 13 00 07 CD")}));
    EXPECT_NE(run.out.find(">> 00 05 5B 4B | 45 59 5D 0A 00 03 13 00 07 CD   (2 writes, 200 ms apart)\n"),
              std::string::npos)
        << run.out;
}

TEST(ZoltRun, TwoPacketsInOneWrite) {
    CFakeStation station({test::AnswerLikeStation});
    const RunResult run =
        RunScript(station.Port(), "join keepalive | keepalive\nexpect CMsgKeepAlive\nexpect none wait=200\n");
    station.Join();
    EXPECT_EQ(run.exitCode, 0) << run.out;
    CByteArray both = test::PassThroughPacket(0x13, 1, {});
    const CByteArray second = test::PassThroughPacket(0x13, 2, {});
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(station.Receives(), std::vector<CByteArray>{both});
}

TEST(ZoltRun, WritesAboveWhatAStationReceivesAreNoted) {
    CFakeStation station({[](CStationLink& link) { link.WaitForClose(); }});
    const RunResult run =
        RunScript(station.Port(),
                  "process case=35 apdu=" + std::string(std::size_t{18000}, 'A') + "\nexpect none wait=50\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(
                  "   note: a write of 9021 bytes: a key station reads at most 8192 bytes in one receive\n"),
              std::string::npos);
}

TEST(ZoltRun, ReconnectOpensASecondConnection) {
    CFakeStation station({test::AnswerLikeStation, test::AnswerLikeStation});
    const RunResult run = RunScript(
        station.Port(), "keepalive\nexpect CMsgKeepAlive\nreconnect\nkeepalive\nexpect CMsgKeepAlive tn=2\n");
    station.Join();
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(station.Receives().size(), 2U);
}

TEST(ZoltRun, AnswerNobodyAskedForFailsTheNextCommand) {
    // Two answers in one write: the second is there by the time the next command would go out.
    CFakeStation station({[](CStationLink& link) {
        (void)link.Receive();
        const CByteArray once = test::PassThroughPacket(0x13, 1, {});
        CByteArray twice = once;
        twice.insert(twice.end(), once.begin(), once.end());
        link.Send(twice);
        link.WaitForClose();
    }});
    const RunResult run = RunScript(station.Port(), "keepalive\nexpect CMsgKeepAlive\nkeepalive\n");
    station.Join();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("FAIL line 3: (nothing before the command is sent)\n     an answer arrived\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(station.Receives().size(), 1U);
}

TEST(ZoltRun, JsonOneObjectPerStep) {
    CFakeStation station({test::AnswerLikeStation});
    tools::ZoltOptions json;
    json.json = true;
    const RunResult run = RunScript(station.Port(), "health\nexpect CMsgHealthCheck\nsleep 1\n", json);
    station.Join();
    EXPECT_EQ(run.exitCode, 0);
    const std::string packet = "00 05 5B 4B 45 59 5D 99 00 00 3F";
    EXPECT_EQ(run.out,
              "{\"connect\": \"127.0.0.1:" + std::to_string(station.Port()) +
                  "\", \"ok\": true}\n"
                  "{\"line\": 1, \"step\": \"health\", \"kind\": \"send\", \"writes\": [\"" +
                  packet + "\"], \"sent\": [{\"hex\": \"" + packet +
                  "\", \"packet\": {\"class\": \"CRspHealthCheck\", \"command\": 153, \"subcommand\": -1, "
                  "\"transaction\": 0, \"long_form\": true, \"description\": [\"Command\", \"Health Request "
                  "Acknowledge\"], \"body\": \"\"}}], \"answers\": [{\"line\": 2, \"expect\": \"expect "
                  "CMsgHealthCheck\", \"event\": \"packet\", \"hex\": \"" +
                  packet +
                  "\", \"packet\": {\"class\": \"CMsgHealthCheck\", \"command\": 153, \"subcommand\": -1, "
                  "\"transaction\": 0, \"long_form\": true, \"description\": [\"Command\", \"Health Check "
                  "Request \"], \"body\": \"\"}, \"ok\": true, \"reason\": \"\"}], \"ok\": true}\n"
                  "{\"line\": 3, \"step\": \"sleep 1\", \"kind\": \"sleep\", \"ok\": true}\n");
}

TEST(ZoltRun, BadScriptSendsNothing) {
    const RunResult run = RunScript(ClosedPort(), "keepalive\nfetch 00\nexpect nothing\n");
    EXPECT_EQ(run.exitCode, 2);  // a connection attempt would have failed with 1
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "test.zolt:2: unknown command fetch\n"
              "test.zolt:3: expect none, closed, any, a CMsg class or the answer's hex; the bytes are not "
              "hexadecimal (pairs of digits, blanks allowed between pairs)\n");
}

TEST(ZoltRun, ConnectionRefused) {
    const std::uint16_t port = ClosedPort();
    const RunResult run = RunScript(port, "keepalive\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "FAIL cannot connect to 127.0.0.1:" + std::to_string(port) +
                           ": connection refused or unreachable\n");
}

int RunTool(const std::vector<std::string>& args, const std::string& input, std::string& out,
            std::string& err) {
    std::istringstream in(input);
    std::ostringstream o;
    std::ostringstream e;
    const int code = tools::RunZolt(args, in, o, e);
    out = o.str();
    err = e.str();
    return code;
}

TEST(ZoltRun, CommandLine) {
    std::string out;
    std::string err;
    const std::string usage =
        "usage: objcomm zolt [--json] [--keep-going] HOST PORT SCRIPT\n"
        "  HOST dotted-decimal IPv4 address; SCRIPT a file, or - for standard input\n";
    EXPECT_EQ(RunTool({}, "", out, err), 2);
    EXPECT_EQ(err, usage);
    EXPECT_EQ(RunTool({"--fast", "127.0.0.1", "1", "-"}, "", out, err), 2);
    EXPECT_EQ(err, "objcomm zolt: unknown option --fast\n" + usage);
    EXPECT_EQ(RunTool({"localhost", "1", "-"}, "", out, err), 2);
    EXPECT_EQ(err, "objcomm zolt: localhost is not a dotted-decimal IPv4 address\n");
    EXPECT_EQ(RunTool({"127.0.0.1", "0", "-"}, "", out, err), 2);
    EXPECT_EQ(err, "objcomm zolt: 0 is not a port from 1 to 65535\n");
    EXPECT_EQ(RunTool({"127.0.0.1", "65536", "-"}, "", out, err), 2);
    EXPECT_EQ(RunTool({"127.0.0.1", "7000", "/nonexistent/zolt.script"}, "", out, err), 2);
    EXPECT_EQ(err, "objcomm zolt: cannot read the script /nonexistent/zolt.script\n");
    EXPECT_EQ(out, "");
}

TEST(ZoltRun, ScriptFromStandardInputOrFile) {
    CFakeStation station({test::AnswerLikeStation, test::AnswerLikeStation});
    const std::string port = std::to_string(station.Port());
    std::string out;
    std::string err;
    EXPECT_EQ(RunTool({"127.0.0.1", port, "-"}, "keepalive\nexpect CMsgKeepAlive\n", out, err), 0)
        << out << err;

    const std::string path = testing::TempDir() + "zolt_script.txt";
    {
        std::ofstream file(path, std::ios::binary);
        file << "health\r\nexpect CMsgHealthCheck\r\n";
    }
    EXPECT_EQ(RunTool({"--json", "127.0.0.1", port, path}, "", out, err), 0) << out << err;
    EXPECT_NE(out.find("\"class\": \"CMsgHealthCheck\""), std::string::npos) << out;
    std::remove(path.c_str());
    station.Join();
}

}  // namespace
}  // namespace tessaly
