// Two processes writing while a third reads: every write lands and no read sees half a value.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "common/registry/Registry.h"
#include "tests/registry/StressValues.h"
#include "tests/registry/TempRegistry.h"

extern char** environ;

namespace tessaly {
namespace {

constexpr int kWrites = 60;

pid_t Start(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, REGISTRY_HELPER_PATH, nullptr, nullptr, argv.data(), environ) != 0) {
        ADD_FAILURE() << "cannot start " << REGISTRY_HELPER_PATH;
        return -1;
    }
    return pid;
}

// The exit status of `pid`; ends it by its id when it runs longer than the limit.
int Finish(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "helper " << pid << " did not finish";
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RegistryConcurrency, TwoWritersAndAReaderLoseNothingAndTearNothing) {
    test::TempRegistry registry;
    // Make the file first so that both writers start on an existing store.
    ASSERT_TRUE(WriteRegistryString(test::kStressSharedPath, "", false));

    const pid_t reader = Start({"registry_store_helper", "read", "400"});
    const pid_t first = Start({"registry_store_helper", "write", "First", std::to_string(kWrites)});
    const pid_t second = Start({"registry_store_helper", "write", "Second", std::to_string(kWrites)});
    // This process reads as well, through its own connection.
    int torn = 0;
    for (int i = 0; i < 200; ++i) {
        const std::string value = ReadRegistryString(test::kStressSharedPath);
        if (!value.empty() && !test::IsWholeStressValue(value)) {
            ++torn;
        }
    }
    EXPECT_EQ(Finish(first), 0);
    EXPECT_EQ(Finish(second), 0);
    EXPECT_EQ(Finish(reader), 0);
    EXPECT_EQ(torn, 0);

    for (const char* writer : {"First", "Second"}) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(ReadRegistryString(test::StressValuePath(writer, i)), test::StressValue(writer, i))
                << writer << " " << i;
        }
    }
    const std::string last = ReadRegistryString(test::kStressSharedPath);
    EXPECT_TRUE(last == test::StressValue("First", kWrites - 1) ||
                last == test::StressValue("Second", kWrites - 1));
}

TEST(RegistryConcurrency, ThreadsOfOneProcessShareTheFileSafely) {
    test::TempRegistry registry;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            const std::string name = "T" + std::to_string(t);
            for (int i = 0; i < 25; ++i) {
                if (!WriteRegistryString(test::StressValuePath(name, i), test::StressValue(name, i), false)) {
                    ++failures;
                }
                const std::string value = ReadRegistryString(test::StressValuePath(name, i));
                if (value != test::StressValue(name, i)) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    CStringArray keys;
    ASSERT_TRUE(ReadRegistrySubKeys("HKEY_LOCAL_MACHINE\\SOFTWARE\\Stress", keys));
    EXPECT_EQ(keys, (CStringArray{"T0", "T1", "T2", "T3"}));
}

}  // namespace
}  // namespace tessaly
