// The built program as a process: one instance at a time, an orderly exit on
// SIGTERM and SIGINT, and a whole run over a private JACK server with its own
// setting.ini.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <jack/jack.h>

#include "app/platform/SingleInstance.h"
#include "peer/JackPeer.h"
#include "peer/JackServer.h"
#include "support/TempDir.h"

namespace moxel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// A copy of the built program in a folder of its own (so its setting.ini is
// the test's), run offscreen with its runtime and configuration folders there.
class Program {
  public:
    Program() { fs::copy_file(fs::path(MOXEL_BINARY_DIR) / "moxel", folder_ / "moxel"); }
    ~Program() {
        if (pid_ > 0 && !stop()) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    const fs::path& folder() const { return folder_.path(); }
    fs::path lockFile() const { return folder_ / "moxel.lock"; }

    // The process, or -1; a second start() starts a second process.
    pid_t start(const std::string& jackServer = "moxel-test-no-such-server") {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("XDG_RUNTIME_DIR", folder_.path().c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", folder_.path().c_str(), 1);
            ::setenv("JACK_DEFAULT_SERVER", jackServer.c_str(), 1);
            ::setenv("JACK_NO_START_SERVER", "1", 1);
            const std::string program = (folder_ / "moxel").string();
            ::execl(program.c_str(), program.c_str(), nullptr);
            ::_exit(127);
        }
        if (pid_ <= 0) {
            pid_ = pid;
        }
        return pid;
    }

    // The exit status of a process once it has ended, nothing at the deadline.
    static std::optional<int> exitStatus(pid_t pid, std::chrono::milliseconds limit) {
        std::optional<int> status;
        waitUntil(
            [&] {
                int raw = 0;
                if (::waitpid(pid, &raw, WNOHANG) == pid) {
                    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
                }
                return status.has_value();
            },
            limit);
        return status;
    }

    // Signals the first process and returns its exit status.
    std::optional<int> stop(int signal = SIGTERM) {
        ::kill(pid_, signal);
        const std::optional<int> status = exitStatus(pid_, 20s);
        pid_ = status ? -1 : pid_;
        return status;
    }

    bool running() const { return !exitStatus(pid_, 0ms).has_value(); }

    // Some process holds the single-instance lock.
    bool locked() const {
        return waitUntil(
            [&] { return fs::exists(lockFile()) && !SingleInstance(lockFile()).acquired(); }, 20s);
    }

  private:
    TempDir folder_;
    pid_t pid_ = -1;
};

TEST(SingleInstance, ALockHeldInThisProcessRefusesASecondHolder) {
    TempDir folder;
    const std::string lock = (folder / "moxel.lock").string();
    {
        const SingleInstance first(lock);
        ASSERT_TRUE(first.acquired());
        EXPECT_FALSE(SingleInstance(lock).acquired());
    }
    EXPECT_TRUE(SingleInstance(lock).acquired()); // released with its holder
}

TEST(ProgramTest, SecondStartEndsAtOnceAndTheFirstRunsOnUntilSigterm) {
    Program moxel;
    moxel.start();
    ASSERT_TRUE(moxel.locked());
    EXPECT_EQ(Program::exitStatus(moxel.start(), 10s), std::optional<int>(0));
    EXPECT_TRUE(moxel.running());
    EXPECT_EQ(moxel.stop(SIGTERM), std::optional<int>(0));
}

TEST(ProgramTest, ALockFileLeftByACrashDoesNotBlockAndSigintEndsInOrder) {
    Program moxel;
    writeFileBytes(moxel.lockFile(), "left behind"); // nobody holds its lock any more
    moxel.start();
    ASSERT_TRUE(moxel.locked());
    EXPECT_EQ(moxel.stop(SIGINT), std::optional<int>(0));
}

bool connectedAnywhere(const JackPeer& peer, const std::string& port) {
    const char** links = jack_port_get_connections(jack_port_by_name(peer.client(), port.c_str()));
    const bool any = links != nullptr;
    jack_free(static_cast<void*>(links));
    return any;
}

TEST(ProgramTest, StoredDefaultDeviceAndChannelApplyAndExitSilencesTheOutput) {
    JackServer server;
    ASSERT_TRUE(server.running()) << server.error();
    JackPeer source("keys"), synthA("synth-a"), synthB("synth-b");
    ASSERT_TRUE(source.ok() && synthA.ok() && synthB.ok());
    Program moxel;
    writeFileBytes(moxel.folder() / "setting.ini",
                   "[Moxel Settings.]\r\nDefaultMidiIn=" + source.sourcePort() +
                       "\r\nDefaultMidiOut=" + synthB.sinkPort() + "\r\n" + synthB.sinkPort() +
                       "=3\r\n");
    moxel.start(server.name());
    ASSERT_TRUE(waitUntil(
        [&] {
            return connectedAnywhere(source, source.sourcePort()) &&
                   connectedAnywhere(synthB, synthB.sinkPort());
        },
        20s));

    // The stored channel is restored right after the output is connected:
    // play until a note arrives, and that on 4Ch (stored "3").
    std::size_t played = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto got = synthB.received();
            if (!got.empty() && got.back().bytes == Bytes{0x93, 0x3C, 0x64}) {
                return true;
            }
            played += got.size() >= played && source.send({0x90, 0x3C, 0x64}, 7) ? 1 : 0;
            return false;
        },
        20s));

    // The orderly exit releases the held note on the channel it sounds on,
    // then silences every channel, before it lets go of the output.
    EXPECT_EQ(moxel.stop(), std::optional<int>(0));
    const auto got = synthB.received();
    EXPECT_EQ(std::ranges::count_if(got,
                                    [](const auto& e) {
                                        return e.bytes == Bytes{0x83, 0x3C, 0};
                                    }),
              1);
    EXPECT_EQ(std::ranges::count_if(got, [](const auto& e) { return (e.bytes[0] & 0xF0) == 0xB0; }),
              48);
    EXPECT_TRUE(synthA.received().empty()); // nothing of it went elsewhere
}

} // namespace
} // namespace moxel::test
