// Whole runs of `objcomm zolt` over real TCP against a fake station (data/runs.transcript), and the
// packets of `objcomm decode` (data/decode.transcript).
#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/TestPackets.h"
#include "tests/tools/Transcript.h"
#include "tests/zolt/FakeStation.h"
#include "tools/objcomm/ObjcommProgram.h"

namespace tessaly {
namespace {

using test::CFakeStation;

// The hook of the "@" lines.
void Stations(std::unique_ptr<CFakeStation>& station, const std::vector<std::string>& words,
              test::Values& values) {
    ASSERT_FALSE(words.empty());
    if (words[0] == "station") {
        std::vector<CFakeStation::Session> sessions;
        for (std::size_t i = 1; i < words.size(); ++i) {
            sessions.push_back(test::NamedSession(words[i]));
        }
        station = std::make_unique<CFakeStation>(sessions);
        values["port"] = std::to_string(station->Port());
    } else if (words[0] == "received") {
        ASSERT_TRUE(station);
        station->Join();
        std::string expected;
        for (std::size_t i = 1; i < words.size(); ++i) {
            expected += (i == 1 ? "" : " ") + words[i];
        }
        std::string got;
        for (const CByteArray& bytes : station->Receives()) {
            got += (got.empty() ? "" : " | ") + test::ToHex(bytes);
        }
        EXPECT_EQ(got, expected);
    } else {
        ASSERT_EQ(words[0], "nobody");
        station.reset();
        platform::CSocket listener = platform::CSocket::CreateTcp();
        ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
        values["port"] = std::to_string(listener.LocalPort());
    }
}

int Objcomm(const std::vector<std::string>& args, const cli::Streams& io) {
    return tools::RunObjcomm(args, io);
}

TEST(ZoltRun, Runs) {
    std::unique_ptr<CFakeStation> station;
    test::RunTranscript(TESSALY_ZOLT_DATA "/runs.transcript", Objcomm, {{"data", TESSALY_ZOLT_DATA}},
                        [&station](const std::vector<std::string>& words, test::Values& values) {
                            Stations(station, words, values);
                        });
}

TEST(ZoltRun, Decode) {
    test::RunTranscript(TESSALY_ZOLT_DATA "/decode.transcript", Objcomm);
}

TEST(ZoltRun, WritesAboveWhatAStationReceivesAreNoted) {
    CFakeStation station({test::NamedSession("sink")});
    std::istringstream script("process case=35 apdu=" + std::string(std::size_t{18000}, 'A') +
                              "\nexpect none wait=50\n");
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(
        tools::RunObjcomm({"zolt", "127.0.0.1", std::to_string(station.Port()), "-"}, {script, out, err}), 0);
    EXPECT_NE(
        out.str().find("\n   note: a write of 9021 bytes: a key station reads at most 8192 bytes in one "
                       "receive\n"),
        std::string::npos);
}

}  // namespace
}  // namespace tessaly
