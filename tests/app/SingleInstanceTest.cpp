// The program as a whole process: one instance at a time, and an orderly
// exit on SIGTERM.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/SingleInstance.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Starts the built program offscreen, with its runtime folder in `runtime`
// and a JACK server name nobody uses (so it runs without MIDI service).
pid_t startMoxel(const fs::path& runtime) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("JACK_DEFAULT_SERVER", "moxel-test-no-such-server", 1);
        ::setenv("JACK_NO_START_SERVER", "1", 1);
        ::setenv("XDG_CONFIG_HOME", runtime.c_str(), 1);
        const std::string program = std::string(MOXEL_BINARY_DIR) + "/moxel";
        ::execl(program.c_str(), program.c_str(), nullptr);
        ::_exit(127);
    }
    return pid;
}

// The exit status once the process has ended, or nothing at the deadline.
std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(5ms);
    }
    return std::nullopt;
}

// Waits until some process holds the lock file.
bool waitUntilLocked(const fs::path& lock, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (fs::exists(lock) && !moxel::SingleInstance(lock.string()).acquired()) {
            return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

TEST(SingleInstance, ALockHeldInThisProcessRefusesASecondHolder) {
    moxel::test::TempDir folder;
    const std::string lock = (folder.path() / "moxel.lock").string();
    {
        moxel::SingleInstance first(lock);
        ASSERT_TRUE(first.acquired());
        EXPECT_FALSE(moxel::SingleInstance(lock).acquired());
    }
    EXPECT_TRUE(moxel::SingleInstance(lock).acquired()); // released with its holder
}

TEST(SingleInstance, SecondStartEndsAtOnceAndTheFirstRunsOn) {
    moxel::test::TempDir folder;
    const pid_t first = startMoxel(folder.path());
    ASSERT_TRUE(waitUntilLocked(folder.path() / "moxel.lock", 20s));

    const pid_t second = startMoxel(folder.path());
    EXPECT_EQ(waitForExit(second, 10s), std::optional<int>(0));
    EXPECT_FALSE(waitForExit(first, 0ms).has_value()); // still running

    ::kill(first, SIGTERM); // an orderly shutdown ends with status 0
    EXPECT_EQ(waitForExit(first, 20s), std::optional<int>(0));
}

TEST(SingleInstance, ALockFileLeftByACrashDoesNotBlock) {
    moxel::test::TempDir folder;
    // The file of an instance that died: nobody holds its lock any more.
    moxel::test::writeFileBytes(folder.path() / "moxel.lock", "left behind");
    const pid_t moxel = startMoxel(folder.path());
    EXPECT_TRUE(waitUntilLocked(folder.path() / "moxel.lock", 20s));
    ::kill(moxel, SIGINT);
    EXPECT_EQ(waitForExit(moxel, 20s), std::optional<int>(0));
}

} // namespace
