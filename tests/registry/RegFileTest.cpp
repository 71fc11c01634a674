// The .reg text format: every kind of bad input with its line and reason (data/regfile-errors.txt).
// What parses is checked through tessaly-reg's imports and exports (RegToolTest).
#include <gtest/gtest.h>

#include <fstream>

#include "tools/tessaly-reg/RegFile.h"

namespace tessaly::tools {
namespace {

// \n, \r, \\ and \xNN.
std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
        } else if (text[++i] == 'x') {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i] == 'n' ? '\n' : text[i] == 'r' ? '\r' : text[i]);
        }
    }
    return out;
}

TEST(RegFile, BadInputGivesTheLineAndTheReason) {
    std::ifstream file(TESSALY_REGISTRY_DATA "/regfile-errors.txt");
    int cases = 0;
    for (std::string line; std::getline(file, line);) {
        const std::size_t tab = line.find('\t');
        if (line[0] == '#' || tab == std::string::npos) {
            continue;
        }
        SCOPED_TRACE(line);
        std::vector<RegFileEntry> entries(1);
        std::string error;
        EXPECT_FALSE(ParseRegFile(Unescaped(line.substr(tab + 1)), entries, error));
        EXPECT_EQ(error, line.substr(0, tab));
        EXPECT_TRUE(entries.empty());
        ++cases;
    }
    EXPECT_EQ(cases, 32);
}

TEST(RegFile, ANameWithALineBreakCannotBeWritten) {
    std::string line;
    std::string error;
    EXPECT_FALSE(RegValueLine({"two\nlines", {platform::kRegSz, {'d', 0}}}, line, error));
    EXPECT_EQ(error, "the value name \"two\nlines\" holds a line break; a .reg file cannot carry it");
}

}  // namespace
}  // namespace tessaly::tools
