// The ATS parser and the reader codes over the cases of data/ats.txt and data/codes.txt.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "cardaccess/AnswerToSelect.h"
#include "cardaccess/ReaderErrors.h"
#include "cardaccess/ScmContactlessReader.h"
#include "common/TextEncoding.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

// The lines of a data file that are no comment, each cut at " | ".
std::vector<std::vector<std::string>> Cases(const char* name) {
    std::ifstream file(std::string(TESSALY_READERS_DATA) + "/" + name);
    std::vector<std::vector<std::string>> cases;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line[0] != '#') {
            std::vector<std::string>& fields = cases.emplace_back();
            std::size_t start = 0;
            for (std::size_t bar = line.find(" | "); bar != std::string::npos;
                 bar = line.find(" | ", start)) {
                fields.push_back(line.substr(start, bar - start));
                start = bar + 3;
            }
            fields.push_back(line.substr(start));
        }
    }
    return cases;
}

std::uint32_t Code(const std::string& hex) {
    const CByteArray bytes = Hex(hex);
    return BytesToNumber(bytes.data(), bytes.size());
}

TEST(AnswerToSelect, AcceptsAndRejectsAsTheCasesSay) {
    // One parser per CRC setting for all cases: every parse must forget the one before.
    CAnswerToSelect parsers[] = {CAnswerToSelect(false), CAnswerToSelect(true)};
    const auto cases = Cases("ats.txt");
    ASSERT_GE(cases.size(), 25U);
    for (const std::vector<std::string>& f : cases) {
        SCOPED_TRACE(f[1]);
        CAnswerToSelect& ats = parsers[f[2] == "1" ? 1 : 0];
        if (f[0] == "reject") {
            try {
                ats.Parse(Hex(f[1]));
                ADD_FAILURE() << "accepted";
            } catch (const CAnswerToSelect::CInvalidAts& error) {
                EXPECT_EQ(error.GetMessage(), f[3]);
                EXPECT_EQ(ats.GetBytes(), Hex(f[1]));
                EXPECT_EQ(ats.GetHistoricalCount(), 0);
            }
            continue;
        }
        ASSERT_EQ(f.size(), 6U);
        ASSERT_NO_THROW(ats.Parse(Hex(f[1])));
        std::istringstream numbers(f[3] + " " + f[4] + " " + f[5]);
        int t0 = 0, ta1 = 0, tb1 = 0, tc1 = 0, start = 0, count = 0, fwi = 0;
        numbers >> t0 >> ta1 >> tb1 >> tc1 >> start >> count >> fwi;
        EXPECT_EQ(ats.GetBytes(), Hex(f[1]));
        EXPECT_EQ(ats.GetTL(), ats.GetBytes()[0]);
        EXPECT_EQ((std::vector<int>{ats.GetT0(), ats.GetTA1(), ats.GetTB1(), ats.GetTC1()}),
                  (std::vector<int>{t0, ta1, tb1, tc1}));
        EXPECT_EQ(ats.GetHistoricalStart(), start);
        EXPECT_EQ(ats.GetHistoricalCount(), count);
        EXPECT_EQ(ats.GetFrameWaitingTimeInteger(), fwi);
        EXPECT_DOUBLE_EQ(ats.GetFrameWaitingTime(), std::pow(2.0, fwi) * 4096.0 / 13.56);
        if (ats.HasCrc()) {
            EXPECT_EQ(ats.GetCrc1(), 0xAA);
            EXPECT_EQ(ats.GetCrc2(), 0xBB);
        }
    }
    parsers[0].Parse(Hex("05 78 80 70 02"));
    EXPECT_NEAR(parsers[0].GetFrameWaitingTime(), 38664.0, 1.0);
    // A null pointer is an empty ATS; the exception keeps its message when copied.
    try {
        parsers[0].Parse(nullptr, 5);
        FAIL() << "accepted";
    } catch (const CAnswerToSelect::CInvalidAts& error) {
        CAnswerToSelect::CInvalidAts copy("other");
        copy = error;
        EXPECT_EQ(copy.GetMessage(), "The ATS [] is too short.");
    }
}

TEST(ReaderErrors, TextsAndStationCodesAsTheCasesSay) {
    // Direct query: no monitor thread.
    const CPcscReader pcsc("Nowhere 00 00", true);
    const CScmContactlessReader contactless("Nowhere 00 00", true);
    const auto cases = Cases("codes.txt");
    ASSERT_GE(cases.size(), 30U);
    for (const std::vector<std::string>& f : cases) {
        if (f[0] == "text") {
            EXPECT_EQ((f[1] == "pcsc" ? pcsc : contactless).GetErrorText(Code(f[2])), f[3]);
        } else {
            EXPECT_EQ(MapReaderError(Code(f[1])), Code(f[2])) << f[1];
        }
    }
    EXPECT_EQ(pcsc.GetLastErrorText(), "0 -- No error was encountered.");
}

}  // namespace
}  // namespace tessaly
