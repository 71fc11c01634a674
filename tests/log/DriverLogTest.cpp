// The driver log file, byte for byte, over a private registry and temporary folder.
#include <gtest/gtest.h>

#include <thread>

#include "common/log/DriverLog.h"
#include "common/registry/Registry.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

constexpr const char* kLogPath = "HKEY_CURRENT_USER\\Software\\Tessaly\\Log File Viewer\\LogPath";

// A clock that starts at 2008/05/01 13:45:10 and moves one second per reading when asked to.
class FakeClock {
public:
    LogClock Clock() {
        return [this] {
            LogTime t{2008, 5, 1, 13, 45, second_};
            if (ticking_) {
                ++second_;
            }
            return t;
        };
    }
    void Tick() { ticking_ = true; }

private:
    int second_ = 10;
    bool ticking_ = false;
};

class DriverLogTest : public ::testing::Test {
protected:
    DriverLogTest()
        : logs_(registry_.Folder() / "logs"),
          temp_(registry_.Folder() / "temp"),
          tmpdir_("TMPDIR", temp_.string()) {
        std::filesystem::create_directory(logs_);
        std::filesystem::create_directory(temp_);
    }

    std::vector<std::filesystem::path> Files(const std::filesystem::path& folder) const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            files.push_back(entry.path());
        }
        return files;
    }

    test::TempRegistry registry_;
    std::filesystem::path logs_;
    std::filesystem::path temp_;
    test::ScopedEnvironment tmpdir_;
    FakeClock clock_;
};

TEST_F(DriverLogTest, WritesOneEscapedLinePerRecord) {
    ASSERT_TRUE(WriteRegistryString(kLogPath, logs_.string(), false));
    CDriverLog log(clock_.Clock());
    log.SetLoggingEnabled(true);
    log.WriteLog(true, "Quorlin", "$Revision: 31 $", "driver/Halcyra.cpp", 412,
                 std::string("APDU\t00 A4\nline2 \"q\" \\ \x01\xFF\x7F'?\0z", 30));
    log.WriteLog(false, "Quorlin", "$Revision: 31 $", "driver/Halcyra.cpp", -1, "Socket closed");

    const std::filesystem::path file = logs_ / "Quorlin_2008_05_01_13_45_10.log";
    EXPECT_EQ(log.LogFilePath(), file.string());
    EXPECT_EQ(Files(logs_), std::vector<std::filesystem::path>{file});
    EXPECT_EQ(test::ReadFileBytes(file),
              "2008/05/01 13:45:10\tM\tQuorlin\t$Revision: 31 $\tdriver/Halcyra.cpp\t412\t"
              "APDU\\t00 A4\\nline2 \\\"q\\\" \\\\ \\x01\\xff\\x7f'?\\x00z\n"
              "2008/05/01 13:45:10\tE\tQuorlin\t$Revision: 31 $\tdriver/Halcyra.cpp\t-1\tSocket closed\n");
}

TEST_F(DriverLogTest, OneFileForTheProcessNamedAfterTheFirstRecord) {
    ASSERT_TRUE(WriteRegistryString(kLogPath, logs_.string() + "/", false));
    clock_.Tick();
    CDriverLog log(clock_.Clock());
    log.SetLoggingEnabled(true);
    log.WriteLog(true, "Quorlin", "r", "s", 1, "first");
    log.WriteLog(true, "Other", "r", "s", 2, "second");

    // Named at 13:45:10; the records carry their own seconds.
    const std::filesystem::path file = logs_ / "Quorlin_2008_05_01_13_45_10.log";
    EXPECT_EQ(Files(logs_), std::vector<std::filesystem::path>{file});
    EXPECT_EQ(test::ReadFileBytes(file),
              "2008/05/01 13:45:11\tM\tQuorlin\tr\ts\t1\tfirst\n"
              "2008/05/01 13:45:12\tM\tOther\tr\ts\t2\tsecond\n");
}

TEST_F(DriverLogTest, NothingIsWrittenUntilEnabled) {
    ASSERT_TRUE(WriteRegistryString(kLogPath, logs_.string(), false));
    CDriverLog log(clock_.Clock());
    EXPECT_FALSE(log.IsLoggingEnabled());
    log.WriteLog(true, "Quorlin", "r", "s", 1, "too early");
    log.SetLoggingEnabled(false);
    log.WriteLog(true, "Quorlin", "r", "s", 2, "switched off");
    EXPECT_TRUE(Files(logs_).empty());
    EXPECT_EQ(log.LogFilePath(), "");

    log.SetLoggingEnabled(true);
    EXPECT_TRUE(log.IsLoggingEnabled());
    log.WriteLog(true, "Quorlin", "r", "s", 3, "now");
    log.SetLoggingEnabled(false);
    log.WriteLog(true, "Quorlin", "r", "s", 4, "off again");
    EXPECT_EQ(test::ReadFileBytes(logs_ / "Quorlin_2008_05_01_13_45_10.log"),
              "2008/05/01 13:45:10\tM\tQuorlin\tr\ts\t3\tnow\n");
}

TEST_F(DriverLogTest, FolderFallsBackToTheTemporaryFolder) {
    const std::string temp = temp_.string() + "/";
    EXPECT_EQ(GetLogFolder(), temp);  // no value at all
    for (const char* blank : {"", "   ", " \t "}) {
        ASSERT_TRUE(WriteRegistryString(kLogPath, blank, false));
        EXPECT_EQ(GetLogFolder(), temp) << "[" << blank << "]";
    }
    ASSERT_TRUE(WriteRegistryString(kLogPath, "/var/log/tessaly", false));
    EXPECT_EQ(GetLogFolder(), "/var/log/tessaly/");
    ASSERT_TRUE(WriteRegistryString(kLogPath, "/var/log/tessaly/", false));
    EXPECT_EQ(GetLogFolder(), "/var/log/tessaly/");
    // A number is no folder.
    ASSERT_TRUE(WriteRegistryDWord(kLogPath, 0));
    EXPECT_EQ(GetLogFolder(), temp);

    ASSERT_TRUE(DeleteRegistryKey("HKEY_CURRENT_USER\\Software\\Tessaly"));
    CDriverLog log(clock_.Clock());
    EXPECT_EQ(log.MakeLogFileName("Quorlin"), temp + "Quorlin_2008_05_01_13_45_10.log");
    log.SetLoggingEnabled(true);
    log.WriteLog(true, "Quorlin", "r", "s", 1, "in temp");
    EXPECT_EQ(Files(temp_), std::vector<std::filesystem::path>{temp_ / "Quorlin_2008_05_01_13_45_10.log"});
}

TEST_F(DriverLogTest, AFolderThatCannotBeWrittenLosesTheRecordQuietly) {
    ASSERT_TRUE(WriteRegistryString(kLogPath, (registry_.Folder() / "missing").string(), false));
    CDriverLog log(clock_.Clock());
    log.SetLoggingEnabled(true);
    log.WriteLog(false, "Quorlin", "r", "s", 1, "lost");
    EXPECT_EQ(log.LogFilePath(),
              (registry_.Folder() / "missing" / "Quorlin_2008_05_01_13_45_10.log").string());
    EXPECT_FALSE(std::filesystem::exists(registry_.Folder() / "missing"));
}

TEST_F(DriverLogTest, RecordsFromManyThreadsStayWhole) {
    ASSERT_TRUE(WriteRegistryString(kLogPath, logs_.string(), false));
    CDriverLog log(clock_.Clock());
    log.SetLoggingEnabled(true);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 50; ++i) {
                log.WriteLog(true, "Quorlin", "r", "s", t, std::string(200, static_cast<char>('a' + t)));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const std::string text = test::ReadFileBytes(logs_ / "Quorlin_2008_05_01_13_45_10.log");
    std::size_t lines = 0;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        const std::string line = text.substr(start, end - start);
        const char letter = line.back();
        EXPECT_EQ(line, "2008/05/01 13:45:10\tM\tQuorlin\tr\ts\t" + std::to_string(letter - 'a') + "\t" +
                            std::string(200, letter));
        ++lines;
        start = end + 1;
    }
    EXPECT_EQ(lines, 200U);
    EXPECT_EQ(start, text.size());
}

// The only test that touches the process log: it starts switched off.
TEST_F(DriverLogTest, TheProcessLogStartsSwitchedOff) {
    ASSERT_TRUE(WriteRegistryString(kLogPath, logs_.string(), false));
    EXPECT_FALSE(IsLoggingEnabled("Quorlin"));
    WriteLog(true, "Quorlin", "r", "s", 1, "before");
    EXPECT_TRUE(Files(logs_).empty());
    SetLoggingEnabled(true);
    EXPECT_TRUE(IsLoggingEnabled("anything"));
    WriteLog(true, "Quorlin", "r", "s", 2, "after");
    SetLoggingEnabled(false);
    const std::vector<std::filesystem::path> files = Files(logs_);
    ASSERT_EQ(files.size(), 1U);
    EXPECT_EQ(files[0].filename().string().substr(0, 8), "Quorlin_");
    EXPECT_EQ(ProcessLog().LogFilePath(), files[0].string());
    const std::string text = test::ReadFileBytes(files[0]);
    EXPECT_EQ(text.substr(19), "\tM\tQuorlin\tr\ts\t2\tafter\n");
    EXPECT_EQ(MakeLogFileName("Quorlin").rfind(logs_.string() + "/Quorlin_", 0), 0U);
}

}  // namespace
}  // namespace tessaly
