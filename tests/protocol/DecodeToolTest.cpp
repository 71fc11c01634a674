// The decode command of the objcomm tool: every message of outgoing.vec in its JSON form, the text
// form, refusals with their finish reasons, and bad usage.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/TextEncoding.h"
#include "protocol/outgoing/MessageDecoder.h"
#include "tests/support/TestPackets.h"
#include "tests/support/Vectors.h"
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

// The vectors' texts hold no character that JSON escapes, so a JSON string is the text in quotes.
std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

TEST(DecodeTool, EveryOutgoingVectorAsJson) {
    for (const test::Vector& v : test::LoadVectors("outgoing.vec")) {
        for (const bool extended : v.Packet().empty() ? std::vector<bool>{} : v.Extended()) {
            SCOPED_TRACE(v.where);
            std::vector<std::string> args{"--ack", "--json", test::ToHex(v.Packet())};
            if (extended) {
                args.insert(args.begin(), "--extended");
            }
            const ToolResult result = RunTool(args);
            EXPECT_EQ(result.err, "");
            if (v.IsRejection()) {
                EXPECT_EQ(result.exitCode, 1);
                EXPECT_EQ(result.out, "{\"error\": " + Quoted(v.outcome) +
                                          ", \"finish_reason\": " + std::to_string(v.FinishReason()) + "}\n");
                continue;
            }
            EXPECT_EQ(result.exitCode, 0);
            CInBinaryString packet(v.Packet());
            std::uint32_t transaction = 0;
            const auto message = CreateMessageFromPacket(packet, transaction, extended);
            std::string list;
            for (const CString& line : message->Describe()) {
                list += (list.empty() ? "" : ", ") + Quoted(line);
            }
            EXPECT_EQ(result.out, "{\"class\": " + Quoted(v.outcome) +
                                      ", \"command\": " + std::to_string(message->GetCommand()) +
                                      ", \"subcommand\": " + std::to_string(message->GetSubCommand()) +
                                      ", \"transaction\": " + std::to_string(transaction) +
                                      ", \"long_form\": " + (v.Has("short") ? "false" : "true") +
                                      ", \"description\": [" + list +
                                      "], \"body\": " + Quoted(HexString(message->Body())) + "}\n");
        }
    }
}

TEST(DecodeTool, TextFormReceivedPacketsAndBadUsage) {
    const ToolResult keepAlive = RunTool({"--ack", "00 05 5B 4B 45 59 5D 0A", "00 03 13 00 05 cb"});
    EXPECT_EQ(keepAlive.exitCode, 0);
    EXPECT_EQ(keepAlive.out,
              "Class        CMsgKeepAlive\nCommand      0x0A\nSub-command  0x13\nTransaction  5 (0x0005)\n"
              "Form         long\nBody         (empty)\n\n  Command  Keep Alive Acknowledge\n");
    const ToolResult refused = RunTool({"--ack", "00 05 5B 4B 45 59 5D 0A 00 03 13 00 05 CC"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "Rejected     CPassThruChecksumError\nFinish       0xF1\n");
    const ToolResult received = RunTool({"--json", "99000099"});
    EXPECT_NE(received.out.find("\"class\": \"CRspHealthCheck\""), std::string::npos) << received.out;

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
