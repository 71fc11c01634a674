// Writers in two processes while two processes read, then four threads: every write lands and no
// read sees half a value. The processes are forks of this one, each with connections of its own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "common/registry/Registry.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

const std::string kStress = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Stress\\";

// The stamp "<writer:index>" repeated to nearly 6000 bytes, so that a mix of two writes shows.
std::string Value(const std::string& stamp) {
    std::string value;
    while (!stamp.empty() && value.size() + stamp.size() <= 6000) {
        value += stamp;
    }
    return value;
}
std::string Value(const std::string& writer, int index) {
    return Value("<" + writer + ":" + std::to_string(index) + ">");
}
bool IsWhole(const std::string& value) {
    return value.empty() || value == Value(value.substr(0, value.find('>') + 1));
}

// The processes write 60 values of their own and each to Shared as well; the threads 25 of their own.
bool Write(const std::string& writer) {
    const bool process = writer[0] != 'T';
    for (int i = 0; i < (process ? 60 : 25); ++i) {
        const std::string value = Value(writer, i);
        if (!WriteRegistryString(kStress + writer + "\\V" + std::to_string(i), value, false) ||
            (process && !WriteRegistryString(kStress + "Shared", value, false))) {
            return false;
        }
    }
    return true;
}

bool Read(int times) {
    bool whole = true;
    for (int i = 0; i < times; ++i) {
        whole = IsWhole(ReadRegistryString(kStress + "Shared")) && whole;
    }
    return whole;
}

// Runs `work` in a child process; the result waits for its exit status, ending it by its PID after
// two minutes.
std::function<int()> Fork(const std::function<bool()>& work) {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(work() ? 0 : 1);
    }
    return [pid] {
        int status = 0;
        for (int waited = 0; pid > 0 && waitpid(pid, &status, WNOHANG) == 0; waited += 20) {
            if (waited > 120000) {
                kill(pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
}

TEST(RegistryConcurrency, WritersInProcessesAndThreadsLoseNothingAndReadersTearNothing) {
    test::CTempRegistry registry;
    // Make the file first so that both writers start on an existing store.
    ASSERT_TRUE(WriteRegistryString(kStress + "Shared", "", false));
    std::vector<std::function<int()>> children = {Fork([] { return Read(400); }),
                                                  Fork([] { return Write("First"); }),
                                                  Fork([] { return Write("Second"); })};
    EXPECT_TRUE(Read(200));  // this process reads as well, through its own connection
    for (const auto& child : children) {
        EXPECT_EQ(child(), 0);
    }
    // Then four threads of this process write at once, each through connections of its own.
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] { failures += Write("T" + std::to_string(t)) ? 0 : 1; });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    CStringArray writers;
    ASSERT_TRUE(ReadRegistrySubKeys(kStress, writers));
    EXPECT_EQ(writers, (CStringArray{"First", "Second", "T0", "T1", "T2", "T3"}));
    for (const std::string& writer : writers) {
        for (int i = 0; i < (writer[0] == 'T' ? 25 : 60); ++i) {
            EXPECT_EQ(ReadRegistryString(kStress + writer + "\\V" + std::to_string(i)), Value(writer, i));
        }
    }
    const std::string last = ReadRegistryString(kStress + "Shared");
    EXPECT_TRUE(last == Value("First", 59) || last == Value("Second", 59));
}

}  // namespace
}  // namespace tessaly
