#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/protocol/outgoing/MessageCases.h"
#include "tests/support/TestPackets.h"
#include "tools/objcomm/DecodeCommand.h"

namespace tessaly {
namespace {

struct ToolResult {
    int exitCode;
    std::string out;
    std::string err;
};

ToolResult RunTool(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = tools::RunDecode(args, out, err);
    return {code, out.str(), err.str()};
}

// The test texts hold no quote, backslash or control character, so a JSON string is the text in quotes.
std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string ExpectedJson(const CObjCommMessage& message, std::uint32_t transaction,
                         const CStringArray& description, const std::string& body) {
    std::string list;
    for (const CString& line : description) {
        list += (list.empty() ? "" : ", ") + Quoted(line);
    }
    return "{\"class\": " + Quoted(message.ClassName()) +
           ", \"command\": " + std::to_string(message.GetCommand()) +
           ", \"subcommand\": " + std::to_string(message.GetSubCommand()) +
           ", \"transaction\": " + std::to_string(transaction) + ", \"long_form\": true, \"description\": [" +
           list + "], \"body\": " + Quoted(body) + "}\n";
}

TEST(DecodeAckTool, KeepAliveAsText) {
    const ToolResult result = RunTool({"--ack", "00 05 5B 4B 45 59 5D 0A", "00 03 13 00 05 cb"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "Class        CMsgKeepAlive\n"
              "Command      0x0A\n"
              "Sub-command  0x13\n"
              "Transaction  5 (0x0005)\n"
              "Form         long\n"
              "Body         (empty)\n"
              "\n"
              "  Command  Keep Alive Acknowledge\n");
}

TEST(DecodeAckTool, ResetAnswerAsJson) {
    const CByteArray packet = test::PassThroughPacket(0x01, 0x1234, test::Hex("00 00 04 3B 02 14 50"));
    const ToolResult result = RunTool({"--json", "--ack", test::ToHex(packet)});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(
        result.out,
        "{\"class\": \"CMsgResetCard\", \"command\": 10, \"subcommand\": 1, \"transaction\": 4660, "
        "\"long_form\": true, \"description\": [\"Command\", \"Reset Card Acknowledge\", \"Return Code\", "
        "\"00\", \"ATR Data\", \"3B 02 14 50 \"], \"body\": \"0000043B021450\"}\n");
}

TEST(DecodeAckTool, ShortHealthCheckInBothDirections) {
    const ToolResult sent = RunTool({"--ack", "--json", "99000099"});
    EXPECT_EQ(
        sent.out,
        "{\"class\": \"CMsgHealthCheck\", \"command\": 153, \"subcommand\": -1, \"transaction\": 0, "
        "\"long_form\": false, \"description\": [\"Command\", \"Health Check Request \"], \"body\": \"\"}\n");
    const ToolResult received = RunTool({"--json", "99000099"});
    EXPECT_NE(received.out.find("\"class\": \"CRspHealthCheck\""), std::string::npos) << received.out;
}

TEST(DecodeAckTool, EveryMessageRoundTripsThroughTheTool) {
    for (const test::MessageCase& c : test::MessageCases()) {
        SCOPED_TRACE(c.name);
        auto message = c.make();
        COutBinaryString packet;
        ASSERT_TRUE(message->BuildPacket(packet, 0x0203, kAddressKeyStation, false));
        std::vector<std::string> args{"--ack", "--json", test::ToHex(packet.Bytes())};
        if (c.extended) {
            args.insert(args.begin(), "--extended");
        }
        const ToolResult result = RunTool(args);
        EXPECT_EQ(result.exitCode, 0);
        const std::uint32_t transaction = message->GetCommand() == 0x0A ? 0x0203 : 0;
        EXPECT_EQ(result.out,
                  ExpectedJson(*message, transaction, c.description, HexString(test::Hex(c.body))));
    }
}

TEST(DecodeAckTool, RejectedPackets) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"--ack", "--json", "00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CC"},
         "{\"error\": \"CPassThruChecksumError\", \"finish_reason\": 241}\n"},
        {{"--ack", "--json", "00 05 5B 4B 45 59 5D 0A 00 03 13 00"},
         "{\"error\": \"CPassThruParseError\", \"finish_reason\": 242}\n"},
        {{"--ack", "--json", test::ToHex(test::PassThroughPacket(0x21, 1, {}))},
         "{\"error\": \"CPassThruSubCmdUnknown\", \"finish_reason\": 240}\n"},
        {{"--ack", "--json", "01 00 00 01"},
         "{\"error\": \"CPassThruCmdUnknown\", \"finish_reason\": 240}\n"},
        {{"--ack", "00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CC"},
         "Rejected     CPassThruChecksumError\nFinish       0xF1\n"},
    };
    for (const Case& c : cases) {
        const ToolResult result = RunTool(c.args);
        EXPECT_EQ(result.exitCode, 1) << c.args.back();
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, "");
    }
}

TEST(DecodeAckTool, BadUsage) {
    EXPECT_EQ(RunTool({"--ack", "0G"}).exitCode, 2);
    EXPECT_EQ(RunTool({"--ack", "0"}).exitCode, 2);
    EXPECT_EQ(RunTool({"--ack"}).exitCode, 2);
    const ToolResult unknown = RunTool({"--acknowledge", "99 00 00 99"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err,
              "objcomm decode: The following argument was not expected: --acknowledge\n"
              "Run with --help for more information.\n");
}

}  // namespace
}  // namespace tessaly
