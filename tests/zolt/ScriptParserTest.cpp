// Script text to steps: every kind of line, the settings it resolves, and every error with its line.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestPackets.h"
#include "tools/objcomm/script/ScriptPackets.h"
#include "tools/objcomm/script/ScriptParser.h"

namespace tessaly {
namespace {

using tools::Expectation;
using tools::Script;
using tools::Step;

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

// Everything the parser resolved, one line per step and per expectation, then the errors.
std::string Dump(const Script& script) {
    static const char* const kSteps[] = {"send", "sleep", "reconnect"};
    static const char* const kExpectations[] = {"any", "class", "packet", "none", "closed"};
    std::ostringstream out;
    for (const Step& step : script.steps) {
        out << step.line << " \"" << step.text << "\": " << kSteps[static_cast<int>(step.kind)];
        if (step.kind == Step::Kind::Send) {
            out << (step.extended ? "" : " narrow") << " [" << Writes(step) << "]";
            out << (step.pause.count() > 0 ? " pause " + std::to_string(step.pause.count()) : "");
        }
        out << (step.kind == Step::Kind::Sleep ? " " + std::to_string(step.duration.count()) : "") << "\n";
        for (const Expectation& e : step.expectations) {
            out << "  " << e.line << ": " << kExpectations[static_cast<int>(e.kind)]
                << (e.className.empty() ? "" : " " + e.className) << " wait " << e.wait.count()
                << (e.extended ? "" : " narrow");
            out << (e.transaction ? " tn " + std::to_string(*e.transaction) : "");
            for (const auto& [label, value] : e.fields) {
                out << " \"" << label << "\"=\"" << value << "\"";
            }
            out << (e.packet.empty() ? "" : " " + test::ToHex(e.packet)) << "\n";
        }
    }
    for (const tools::ScriptError& error : script.errors) {
        out << "error " << error.line << ": " << error.message << "\n";
    }
    return out.str();
}

// data/parsed-scripts.txt: each script with its steps.
TEST(ScriptParser, StepsOfEveryKindOfLine) {
    std::ifstream file(TESSALY_ZOLT_DATA "/parsed-scripts.txt");
    std::string script;
    std::string steps;
    bool inSteps = false;
    int cases = 0;
    for (std::string line; std::getline(file, line);) {
        if (line == "----" || line == "====") {
            inSteps = line == "----";
            if (!inSteps) {
                EXPECT_EQ(Dump(tools::ParseScript(script)), steps) << script;
                script.clear();
                steps.clear();
                ++cases;
            }
        } else {
            (inSteps ? steps : script) += line + "\n";
        }
    }
    EXPECT_EQ(cases, 5);
}

// data/script-errors.txt: each script's one error, with its line.
TEST(ScriptParser, EveryErrorWithItsLine) {
    std::ifstream file(TESSALY_ZOLT_DATA "/script-errors.txt");
    std::string expected;
    std::string script;
    int cases = 0;
    for (std::string line; std::getline(file, line);) {
        if (expected.empty()) {
            expected = line[0] == '#' ? std::string() : line;
        } else if (line != "----") {
            script += line + "\n";
        } else {
            SCOPED_TRACE(script);
            const Script parsed = tools::ParseScript(script);
            ASSERT_EQ(parsed.errors.size(), 1U);
            EXPECT_EQ(std::to_string(parsed.errors[0].line) + ": " + parsed.errors[0].message, expected);
            expected.clear();
            script.clear();
            ++cases;
        }
    }
    EXPECT_EQ(cases, 56);
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

}  // namespace
}  // namespace tessaly
