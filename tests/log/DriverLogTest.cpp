// The driver log file, byte for byte, over a private registry and temporary folder.
#include <gtest/gtest.h>

#include <thread>

#include "common/log/DriverLog.h"
#include "common/registry/Registry.h"
#include "platform/SystemInfo.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

constexpr const char* kLogPath = "HKEY_CURRENT_USER\\Software\\Tessaly\\Log File Viewer\\LogPath";
constexpr const char* kFileName = "Quorlin_2008_05_01_13_45_10.log";
// A record ends as a text stream ends a line: CR LF on Windows.
const std::string kEol = test::TextLineEnd();

// The folder as the log completes it: the platform's separator added unless it ends with one.
std::string Completed(std::string folder) {
    if (folder.empty() || folder.back() != platform::PathSeparator()) {
        folder.push_back(platform::PathSeparator());
    }
    return folder;
}

// The text with each end of line as "\n".
std::string WithNewlines(std::string text) {
    for (std::size_t at = text.find(kEol); at != std::string::npos; at = text.find(kEol, at + 1)) {
        text.replace(at, kEol.size(), "\n");
    }
    return text;
}

// A clock at 2008/05/01 13:45:10 that moves one second per reading once it ticks.
LogClock Clock(bool ticking = false) {
    return
        [ticking, second = 10]() mutable { return LogTime{2008, 5, 1, 13, 45, ticking ? second++ : second}; };
}

class DriverLogTest : public ::testing::Test {
protected:
    DriverLogTest() : m_logs(m_registry.Folder() / "logs"), m_temp(m_registry.Folder() / "temp") {
        std::filesystem::create_directory(m_logs);
        std::filesystem::create_directory(m_temp);
    }

    std::vector<std::filesystem::path> Files(const std::filesystem::path& folder) const {
        return {std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()};
    }

    test::CTempRegistry m_registry;
    std::filesystem::path m_logs;
    std::filesystem::path m_temp;
    test::CScopedEnvironment m_tmpdir{test::TempFolderVariable(), m_temp.string()};
};

TEST_F(DriverLogTest, OneEscapedLinePerRecordInOneFileNamedAfterTheFirstRecord) {
    ASSERT_TRUE(WriteRegistryString(kLogPath, m_logs.string(), false));
    CDriverLog log(Clock(true));
    EXPECT_FALSE(log.IsLoggingEnabled());
    log.WriteLog(true, "Quorlin", "r", "s", 1, "too early");
    log.SetLoggingEnabled(true);
    log.WriteLog(true, "Quorlin", "$Revision: 31 $", "driver/Halcyra.cpp", 412,
                 std::string("APDU\t00 A4\nline2 \"q\" \\ \x01\xFF\x7F'?\0z", 30));
    log.WriteLog(false, "Other", "$Revision: 31 $", "driver/Halcyra.cpp", -1, "Socket closed");
    log.SetLoggingEnabled(false);
    log.WriteLog(true, "Quorlin", "r", "s", 4, "off again");
    // Named when the first record was written (13:45:10); the records carry their own seconds.
    EXPECT_EQ(log.LogFilePath(), (m_logs / kFileName).string());
    EXPECT_EQ(Files(m_logs), std::vector<std::filesystem::path>{m_logs / kFileName});
    EXPECT_EQ(test::ReadFileBytes(m_logs / kFileName),
              "2008/05/01 13:45:11\tM\tQuorlin\t$Revision: 31 $\tdriver/Halcyra.cpp\t412\t"
              "APDU\\t00 A4\\nline2 \\\"q\\\" \\\\ \\x01\\xff\\x7f'?\\x00z" +
                  kEol +
                  "2008/05/01 13:45:12\tE\tOther\t$Revision: 31 $\tdriver/Halcyra.cpp\t-1\tSocket closed" +
                  kEol);
}

TEST_F(DriverLogTest, TheFolderValue) {
    const std::string temp = Completed(m_temp.string());
    EXPECT_EQ(GetLogFolder(), temp);  // no value at all
    // Blanks count as missing; a value is cut at its first zero byte (the rest can be no part of a
    // file name).
    const std::pair<std::string, std::string> cases[] = {
        {"", temp},
        {" \t ", temp},
        {"/var/log/tessaly", Completed("/var/log/tessaly")},
        {"/var/log/tessaly/", Completed("/var/log/tessaly/")},
        {std::string("/var/log/t\0/x", 13), Completed("/var/log/t")},
        {std::string("\0/x", 3), temp},
    };
    for (const auto& [value, folder] : cases) {
        ASSERT_TRUE(WriteRegistryString(kLogPath, value, false));
        EXPECT_EQ(GetLogFolder(), folder) << value;
    }
    // A value that is not a string counts as missing.
    ASSERT_TRUE(WriteRegistryDWord(kLogPath, 0x2F));
    EXPECT_EQ(GetLogFolder(), temp);
    CDriverLog log(Clock());
    EXPECT_EQ(log.MakeLogFileName("Quorlin"), temp + kFileName);
    log.SetLoggingEnabled(true);
    log.WriteLog(true, "Quorlin", "r", "s", 1, "in temp");
    EXPECT_EQ(Files(m_temp), std::vector<std::filesystem::path>{m_temp / kFileName});
    // A folder that cannot be written loses the record quietly.
    ASSERT_TRUE(WriteRegistryString(kLogPath, (m_registry.Folder() / "missing").string(), false));
    CDriverLog lost(Clock());
    lost.SetLoggingEnabled(true);
    lost.WriteLog(false, "Quorlin", "r", "s", 1, "lost");
    EXPECT_EQ(lost.LogFilePath(), (m_registry.Folder() / "missing" / kFileName).string());
    EXPECT_FALSE(std::filesystem::exists(m_registry.Folder() / "missing"));
}

TEST_F(DriverLogTest, TwoLogsOfOneSecondShareTheFileAndNoRecordIsLostOrTorn) {
    // Two processes that start in the same second: two logs on one file name, each opening the file
    // for every record. What the file held before stays.
    ASSERT_TRUE(WriteRegistryString(kLogPath, m_logs.string(), false));
    test::WriteFileBytes(m_logs / kFileName, "earlier" + kEol);
    CDriverLog first(Clock());
    CDriverLog second(Clock());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&log = t % 2 == 0 ? first : second, t] {
            log.SetLoggingEnabled(true);
            for (int i = 0; i < 50; ++i) {
                // Records longer than any stream buffer.
                log.WriteLog(true, "Quorlin", "r", "s", t, std::string(i == 0 ? 20000 : 200, char('a' + t)));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::istringstream text(WithNewlines(test::ReadFileBytes(m_logs / kFileName)));
    std::string line;
    ASSERT_TRUE(std::getline(text, line) && line == "earlier");
    int lines = 0, longOnes = 0;
    for (; std::getline(text, line); ++lines) {
        const char letter = line.back();
        const std::string prefix =
            "2008/05/01 13:45:10\tM\tQuorlin\tr\ts\t" + std::to_string(letter - 'a') + "\t";
        const std::size_t length = line.size() - prefix.size();
        longOnes += length == 20000 ? 1 : 0;
        EXPECT_TRUE((length == 200 || length == 20000) && line == prefix + std::string(length, letter))
            << lines;
    }
    EXPECT_EQ(longOnes, 4);
    EXPECT_EQ(lines, 200);
}

// The only test that touches the process log: it starts switched off.
TEST_F(DriverLogTest, TheProcessLogStartsSwitchedOff) {
    ASSERT_TRUE(WriteRegistryString(kLogPath, m_logs.string(), false));
    EXPECT_FALSE(IsLoggingEnabled("Quorlin"));
    WriteLog(true, "Quorlin", "r", "s", 1, "before");
    EXPECT_TRUE(Files(m_logs).empty());
    SetLoggingEnabled(true);
    EXPECT_TRUE(IsLoggingEnabled("anything"));
    WriteLog(true, "Quorlin", "r", "s", 2, "after");
    SetLoggingEnabled(false);
    ASSERT_EQ(Files(m_logs), std::vector<std::filesystem::path>{ProcessLog().LogFilePath()});
    EXPECT_EQ(test::ReadFileBytes(Files(m_logs)[0]).substr(19), "\tM\tQuorlin\tr\ts\t2\tafter" + kEol);
    EXPECT_EQ(MakeLogFileName("Quorlin").rfind(Completed(m_logs.string()) + "Quorlin_", 0), 0U);
}

}  // namespace
}  // namespace tessaly
