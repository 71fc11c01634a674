// Script text to steps: every kind of line, the settings it resolves, and every error with its line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestPackets.h"
#include "tools/objcomm/script/ScriptPackets.h"
#include "tools/objcomm/script/ScriptParser.h"

namespace tessaly {
namespace {

using test::Hex;
using test::PassThroughPacket;
using tools::Expectation;
using tools::Script;
using tools::Step;

Script Parse(const std::string& text) {
    Script script = tools::ParseScript(text);
    for (const tools::ScriptError& error : script.errors) {
        ADD_FAILURE() << "line " << error.line << ": " << error.message;
    }
    return script;
}

// The step's writes as hex, separated by " | ".
std::string Writes(const Step& step) {
    std::vector<CByteArray> writes;
    std::string error;
    EXPECT_TRUE(tools::BuildWrites(step, writes, error)) << error;
    std::string text;
    for (const CByteArray& write : writes) {
        text += (text.empty() ? "" : " | ") + test::ToHex(write);
    }
    return text;
}

std::string Hexed(const CByteArray& bytes) {
    return test::ToHex(bytes);
}

CByteArray Concat(CByteArray a, const CByteArray& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ScriptParser, EveryKindOfLine) {
    const Script script = Parse(
        "# a comment, then a blank line\n"
        "\n"
        "timeout 250\n"
        "keepalive   # the first command\n"
        "expect CMsgKeepAlive\n"
        "CRspProcess tn=0x20 58 1E 35 0000 0002 AABB\n"
        "  expect CMsgProcess \"Return Code\"=00000000 \"Smart Card Response Data\"=\"6F 1A\"\n"
        "expect none wait=100\n"
        "raw 99 00 00 99\n"
        "expect 00 05 5B 4B 45 59 5D 99 00 00 3F\n"
        "pieces 50 00 05 5B | 4B 45 59 5D 0A 00 03 13 00 09 CF\n"
        "expect closed\n"
        "join keepalive | health form=short\n"
        "expect any tn=any\n"
        "sleep 20\n"
        "reconnect\n"
        "address \"ZOLT 1\"\n"
        "extended off\n"
        "transaction 0x100\n"
        "eject\n"
        "bulk tn=7\n"
        "item apdu=00A4040002 3F00 check=sw result=9000\n"
        "item apdu=00B0000010\n"
        "expect CMsgBulkProcess \"Status of Execution\"=Success\n"
        "KeepAlive\r\n");
    ASSERT_EQ(script.steps.size(), 10U);
    const auto& s = script.steps;

    EXPECT_EQ(s[0].line, 4);
    EXPECT_EQ(s[0].kind, Step::Kind::Send);
    EXPECT_EQ(s[0].text, "keepalive   # the first command");
    EXPECT_EQ(Writes(s[0]), Hexed(PassThroughPacket(0x13, 1, {})));
    ASSERT_EQ(s[0].expectations.size(), 1U);
    const Expectation& keepAlive = s[0].expectations[0];
    EXPECT_EQ(keepAlive.kind, Expectation::Kind::Class);
    EXPECT_EQ(keepAlive.line, 5);
    EXPECT_EQ(keepAlive.className, "CMsgKeepAlive");
    EXPECT_EQ(keepAlive.wait, std::chrono::milliseconds(250));
    EXPECT_TRUE(keepAlive.extended);
    EXPECT_EQ(keepAlive.transaction, std::optional<std::uint16_t>(1));

    EXPECT_EQ(Writes(s[1]), Hexed(PassThroughPacket(0x05, 0x20, Hex("58 1E 35 0000 0002 AABB"))));
    ASSERT_EQ(s[1].expectations.size(), 2U);
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(s[1].expectations[0].fields,
              (Pairs{{"Return Code", "00000000"}, {"Smart Card Response Data", "6F 1A"}}));
    EXPECT_EQ(s[1].expectations[0].transaction, std::optional<std::uint16_t>(0x20));
    EXPECT_EQ(s[1].expectations[1].kind, Expectation::Kind::None);
    EXPECT_EQ(s[1].expectations[1].wait, std::chrono::milliseconds(100));

    EXPECT_EQ(Writes(s[2]), "99 00 00 99");
    EXPECT_EQ(s[2].expectations[0].kind, Expectation::Kind::Packet);
    EXPECT_EQ(Hexed(s[2].expectations[0].packet), "00 05 5B 4B 45 59 5D 99 00 00 3F");

    EXPECT_EQ(Writes(s[3]), "00 05 5B | 4B 45 59 5D 0A 00 03 13 00 09 CF");
    EXPECT_EQ(s[3].pause, std::chrono::milliseconds(50));
    EXPECT_EQ(s[3].expectations[0].kind, Expectation::Kind::Closed);

    EXPECT_EQ(Writes(s[4]), Hexed(Concat(PassThroughPacket(0x13, 2, {}), Hex("99 00 00 99"))));
    EXPECT_EQ(s[4].expectations[0].kind, Expectation::Kind::Any);
    EXPECT_FALSE(s[4].expectations[0].transaction.has_value());

    EXPECT_EQ(s[5].kind, Step::Kind::Sleep);
    EXPECT_EQ(s[5].duration, std::chrono::milliseconds(20));
    EXPECT_EQ(s[6].kind, Step::Kind::Reconnect);

    // Address, extended flag and number set by the lines before it; no expect line: any answer.
    EXPECT_EQ(s[7].line, 20);
    EXPECT_FALSE(s[7].extended);
    EXPECT_EQ(Writes(s[7]), "00 06 5A 4F 4C 54 20 31 0A 00 04 06 01 00 58 0D");
    ASSERT_EQ(s[7].expectations.size(), 1U);
    EXPECT_EQ(s[7].expectations[0].kind, Expectation::Kind::Any);
    EXPECT_EQ(s[7].expectations[0].line, 0);
    EXPECT_EQ(s[7].expectations[0].wait, std::chrono::milliseconds(250));
    EXPECT_FALSE(s[7].expectations[0].extended);
    EXPECT_EQ(s[7].expectations[0].transaction, std::optional<std::uint16_t>(0x100));

    EXPECT_EQ(s[8].packets[0].framed.body,
              Hex("0002 0010 58 00 33 0007 00A40400023F00 02 02 9000 000B 58 00 32 0005 00B0000010 00"));
    EXPECT_EQ(s[8].packets[0].framed.transaction, 7);
    EXPECT_EQ(s[8].expectations[0].transaction, std::optional<std::uint16_t>(7));

    // The count goes on after the explicit 7.
    EXPECT_EQ(s[9].packets[0].framed.transaction, 0x101);
}

TEST(ScriptParser, TransactionNumbers) {
    const Script script = Parse(
        "keepalive\n"
        "keepalive tn=9\n"
        "keepalive\n"
        "health\n"
        "CRspPassThroughModeFinish\n"
        "finish\n"
        "complete\n"
        "transaction 65535\n"
        "keepalive\n"
        "keepalive\n"
        "transaction 0\n"
        "query\n");
    std::vector<int> numbers;
    for (const Step& step : script.steps) {
        const tools::FramedCommand& framed = step.packets.front().framed;
        numbers.push_back(framed.subCommand < 0 ? -1 : framed.transaction);
    }
    EXPECT_EQ(numbers, (std::vector<int>{1, 9, 2, -1, 0, 0, 3, 65535, 1, 0}));
}

TEST(ScriptParser, ExpectedNumbersFollowThePacketsSent) {
    const CByteArray rawCommand = PassThroughPacket(0x13, 0x4242, {});
    CByteArray badChecksum = rawCommand;
    badChecksum.back() ^= 1;
    const Script script = Parse("join keepalive | keepalive | raw " + Hexed(rawCommand) +
                                "\n"
                                "expect CMsgKeepAlive\n"
                                "expect CMsgKeepAlive tn=5\n"
                                "expect any\n"
                                "expect CMsgKeepAlive\n"
                                "raw " +
                                Hexed(badChecksum) +
                                "\n"
                                "expect CMsgPassThroughModeFinish\n"
                                "health\n"
                                "expect CMsgHealthCheck\n");
    ASSERT_EQ(script.steps.size(), 3U);
    // An expected answer of any kind checks the number too.
    const auto& joined = script.steps[0].expectations;
    ASSERT_EQ(joined.size(), 4U);
    EXPECT_EQ(joined[0].transaction, std::optional<std::uint16_t>(1));
    EXPECT_EQ(joined[1].transaction, std::optional<std::uint16_t>(5));
    EXPECT_EQ(joined[2].transaction, std::optional<std::uint16_t>(0x4242));
    EXPECT_FALSE(joined[3].transaction.has_value());  // a fourth answer to three packets
    EXPECT_FALSE(script.steps[1].expectations[0].transaction.has_value());  // rejected: not its number
    EXPECT_FALSE(script.steps[2].expectations[0].transaction.has_value());  // outside pass-through
}

TEST(ScriptParser, FormsAndAddressReachTheFrame) {
    const Script script = Parse(
        "health form=short\n"
        "health form=WIDE\n"
        "address \"\"\n"
        "CRspError form=short 93\n"
        "CRspKeepAlive form=wide\n");
    ASSERT_EQ(script.steps.size(), 4U);
    EXPECT_EQ(Writes(script.steps[0]), "99 00 00 99");
    EXPECT_EQ(Writes(script.steps[1]), "02 05 5B 4B 45 59 5D 99 00 00 00 00 41");
    EXPECT_EQ(Writes(script.steps[2]), "FF 00 01 93 93");
    EXPECT_EQ(Writes(script.steps[3]), "02 00 0A 00 00 00 03 13 00 01 23");
}

struct ErrorCase {
    const char* script;
    int line;
    const char* message;
};

const ErrorCase kErrors[] = {
    {"keepalive\nexpect \"CMsgKeepAlive\n", 2, "a quote is not closed"},
    {"address \"a\\b\"\n", 1, "inside quotes a backslash goes only before \" or \\"},
    {"\ntimeout soon\n", 2, "timeout takes the answer time-out in milliseconds (up to 3600000)"},
    {"timeout 3600001\n", 1, "timeout takes the answer time-out in milliseconds (up to 3600000)"},
    {"address a b\n", 1, "address takes one text of up to 255 characters (in quotes when it holds blanks)"},
    {"extended yes\n", 1, "extended takes on or off"},
    {"transaction 65536\n", 1, "transaction takes the next transaction number, 0 to 65535"},
    {"sleep\n", 1, "sleep takes milliseconds (up to 3600000)"},
    {"reconnect now\n", 1, "reconnect takes nothing"},
    {"keepalive | keepalive\n", 1, "'|' separates the parts of a join or pieces line only"},
    {"join keepalive\n", 1, "join takes two or more commands separated by |"},
    {"join keepalive | | health\n", 1, "join, command 2: a command is missing"},
    {"join keepalive | bulk\n", 1, "join: bulk takes its items on lines of their own and cannot be joined"},
    {"pieces soon 01\n", 1,
     "pieces takes the pause in milliseconds, then the bytes of each write separated by |"},
    {"pieces 10 00 | a=b\n", 1, "pieces: 'a=b' is not hexadecimal"},
    {"pieces 10 00 | 0\n", 1, "pieces: write 2 is not hexadecimal bytes"},
    {"pieces 10 00 |\n", 1, "pieces: write 2 is not hexadecimal bytes"},
    {"keepalive\nitem apdu=00\n", 2, "item lines follow a bulk command (before its expect lines)"},
    {"bulk\nexpect any\nitem apdu=00A40000\n", 3,
     "item lines follow a bulk command (before its expect lines)"},
    {"bulk\nitem case=34\n", 2, "field apdu= is missing"},
    {"bulk\nitem apdu=00A40000 | x\n", 2, "'|' separates the commands of a join line only"},
    {"bulk\nitem apdu=00A40000 result=9000\n", 2, "result= needs a check mode other than none"},
    {"bulk\nitem apdu=00A40000 check=all\n", 2, "check=all is not a hexadecimal code up to FF"},
    {"expect any\n", 1, "expect follows a command (or another expect line)"},
    {"keepalive\nsleep 1\nexpect any\n", 3, "expect follows a command (or another expect line)"},
    {"raw\n", 1, "raw needs the packet's bytes"},
    {"raw 99 00 0\n", 1, "the bytes are not hexadecimal (pairs of digits, blanks allowed between pairs)"},
    {"raw 99 x=1\n", 1, "'x=1' is not hexadecimal"},
    {"CRspProcess dest=58\n", 1, "CRspProcess takes its body in hex: 'dest=58' is not hexadecimal"},
    {"CRspKeepAlive tn=70000\n", 1, "tn=70000 is not a transaction number from 0 to 65535"},
    {"keepalive form=tiny\n", 1, "keepalive: form=tiny is not long, wide or short"},
    {"CRspFoo 00\n", 1, "unknown class CRspFoo"},
    {"fetch 00\n", 1, "unknown command fetch"},
    {"health tn=1\n", 1,
     "tn= belongs to pass-through commands; CRspHealthCheck carries no transaction number"},
    {"finish tn=3\n", 1,
     "CRspPassThroughModeFinish travels with transaction number 0 (any other reads as Complete)"},
    {"complete tn=0\n", 1,
     "CRspPassThroughModeComplete needs a transaction number other than 0 (0 reads as Finish)"},
    {"keepalive form=short\n", 1, "only commands 01, 03, 99 and FF have a short form"},
    {"process apdu=00 dest=58 dest=57\n", 1, "process: field dest is given twice"},
    {"resend error=91 02\n", 1, "resend: error takes one value, not 2 words"},
    {"cardtype\n", 1, "cardtype: field type= is missing"},
    {"query dest=159\n", 1, "query: dest=159 is not a hexadecimal code up to FF"},
    {"attribute attr=256\n", 1, "attribute: attr=256 is not a number from 0 to 255"},
    {"process apdu=0A0\n", 1, "process: apdu= is not hexadecimal (pairs of digits)"},
    {"process apdu=00A40000 flags=0004\nextended off\nprocess apdu=00A40000 flags=0004\n", 3,
     "process: flags= travels only in the extended layout"},
    {"process apdu=00A40000 colour=red\n", 1, "process: unknown field colour="},
    {"process apdu=00A4\n", 1, "process: the APDU case cannot be told from the APDU's length; give case="},
    {"attribute attr=1 value=5 set=00\n", 1,
     "attribute: value= needs a set flag other than 00 (a read carries no value)"},
    {"complete dllerror=1234\n", 1, "complete: dllerror= takes exactly 5 characters"},
    {"process 00A40000 dest=58\n", 1, "process: '00A40000' is no field: fields are written name=value"},
    {"keepalive\nexpect any wait=later\n", 2, "wait=later is not a number of milliseconds up to 3600000"},
    {"keepalive\nexpect any tn=some\n", 2, "tn=some is not any or a transaction number from 0 to 65535"},
    {"keepalive\nexpect wait=10\n", 2, "expect what? none, closed, any, a CMsg class or the answer's hex"},
    {"keepalive\nexpect CMsgKeepAlive Command\n", 2,
     "'Command' is no description pair: write \"Label\"=value"},
    {"keepalive\nexpect CMsgKeepAlives\n", 2, "unknown class CMsgKeepAlives"},
    {"keepalive\nexpect something\n", 2,
     "expect none, closed, any, a CMsg class or the answer's hex; the bytes are not hexadecimal (pairs of "
     "digits, blanks allowed between pairs)"},
    {"keepalive\nexpect none tn=1\n", 2, "tn= goes with an expected class or any answer"},
};

TEST(ScriptParser, EveryErrorWithItsLine) {
    for (const ErrorCase& c : kErrors) {
        SCOPED_TRACE(c.script);
        const Script script = tools::ParseScript(c.script);
        ASSERT_EQ(script.errors.size(), 1U);
        EXPECT_EQ(script.errors[0].line, c.line);
        EXPECT_EQ(script.errors[0].message, c.message);
    }
}

// The hex digits of `bytes` bytes.
std::string Digits(std::size_t bytes, char digit) {
    return std::string(2 * bytes, digit);
}

TEST(ScriptParser, LongFieldsAndOversizedBulk) {
    const std::string tooLong = "process apdu=" + Digits(65536, 'A') + "\n";
    Script script = tools::ParseScript(tooLong);
    ASSERT_EQ(script.errors.size(), 1U);
    EXPECT_EQ(script.errors[0].message,
              "process: apdu= holds 65536 bytes; its length field counts at most 65535");

    const std::string item = "item case=35 apdu=" + Digits(40000, 'B') + "\n";
    script = tools::ParseScript("keepalive\nbulk\n" + item + item + "expect any\nkeepalive\n");
    ASSERT_EQ(script.errors.size(), 1U);
    EXPECT_EQ(script.errors[0].line, 2);
    EXPECT_EQ(script.errors[0].message, "bulk: the address or the payload is too long for its length field");
    ASSERT_EQ(script.steps.size(), 2U);  // the bulk and its expect line are left out
    EXPECT_EQ(script.steps[1].line, 6);

    script = tools::ParseScript("bulk\nitem apdu=00A40000 check=1 result=" + Digits(256, 'C') + "\n");
    ASSERT_EQ(script.errors.size(), 1U);
    EXPECT_EQ(script.errors[0].line, 2);
    EXPECT_EQ(script.errors[0].message, "result= holds 256 bytes; its length field counts at most 255");

    script = tools::ParseScript("address " + std::string(256, 'k') + "\n");
    ASSERT_EQ(script.errors.size(), 1U);
    EXPECT_EQ(script.errors[0].line, 1);
}

TEST(ScriptParser, EveryErrorOfOneRunIsReported) {
    const Script script = tools::ParseScript(
        "keepalive\n"
        "process case=34\n"
        "expect CMsgProces\n"
        "bulk\n"
        "item check=sw\n"
        "expect any\n"
        "timeout x\n");
    ASSERT_EQ(script.errors.size(), 4U);
    EXPECT_EQ(script.errors[0].line, 2);
    EXPECT_EQ(script.errors[1].line, 3);  // the expect line of a failed command is still checked
    EXPECT_EQ(script.errors[1].message, "unknown class CMsgProces");
    EXPECT_EQ(script.errors[2].line, 5);
    EXPECT_EQ(script.errors[3].line, 7);
    EXPECT_FALSE(script.Ok());
}

}  // namespace
}  // namespace tessaly
