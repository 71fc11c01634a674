// Answers against expectations (data/answers.txt): classes, numbers, description pairs, bytes, silence
// and closing; the expectations are written as script lines and parsed.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "tests/support/TestPackets.h"
#include "tools/objcomm/script/AnswerCheck.h"
#include "tools/objcomm/script/ScriptParser.h"

namespace tessaly {
namespace {

using tools::Answer;

// "packet 00 05 ...", "silence", "closed 00 05", ...
Answer ReadAnswer(const std::string& text) {
    static const std::map<std::string, Answer::Kind> kKinds = {
        {"packet", Answer::Kind::Packet},    {"silence", Answer::Kind::Silence},
        {"closed", Answer::Kind::Closed},    {"unframeable", Answer::Kind::Unframeable},
        {"too_long", Answer::Kind::TooLong},
    };
    const std::size_t blank = std::min(text.find(' '), text.size());
    return {kKinds.at(text.substr(0, blank)), test::Hex(blank < text.size() ? text.substr(blank + 1) : "")};
}

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

TEST(AnswerCheck, Cases) {
    std::ifstream file(TESSALY_ZOLT_DATA "/answers.txt");
    int cases = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        SCOPED_TRACE(line);
        const std::size_t bar = line.find(" | ");
        const std::size_t reasonBar = line.rfind(" |");
        ASSERT_TRUE(bar != std::string::npos && reasonBar > bar);
        std::string script = "timeout 250\n" + line.substr(0, bar) + "\n";
        for (std::size_t at = script.find(" ; "); at != std::string::npos; at = script.find(" ; ")) {
            script.replace(at, 3, "\n");
        }
        const tools::Script parsed = tools::ParseScript(script);
        ASSERT_TRUE(parsed.Ok()) << parsed.errors[0].message;
        const tools::Verdict verdict =
            tools::CheckAnswer(parsed.steps.back().expectations.back(),
                               ReadAnswer(Trim(line.substr(bar + 3, reasonBar - bar - 3))));
        const std::string reason = Trim(line.substr(reasonBar + 2));
        EXPECT_EQ(verdict.ok, reason.empty());
        EXPECT_EQ(verdict.reason, reason);
        ++cases;
    }
    EXPECT_EQ(cases, 34);
}

TEST(AnswerCheck, SameValue) {
    struct Pair {
        const char* actual;
        const char* expected;
        bool same;
    };
    const Pair pairs[] = {
        {"00006a82", "00006A82", true},
        {"6F 1A ", "6F1A", true},
        {"9600", "9600", true},
        {"", "", true},
        {"None", "", false},
        {"10", "0x10", false},
        {"Success", "success", false},
        {"0010", "10", false},
        {"3B 02", "3b02", true},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(tools::SameValue(p.actual, p.expected), p.same) << p.actual << " / " << p.expected;
    }
}

}  // namespace
}  // namespace tessaly
