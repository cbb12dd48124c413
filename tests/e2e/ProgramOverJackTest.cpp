// The built program as a whole, started as a process with its own
// setting.ini beside it, relaying between test clients of a private JACK
// server.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <jack/jack.h>

#include "support/JackPeer.h"
#include "support/JackTestServer.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;
using moxel::test::JackPeer;
using moxel::test::waitUntil;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// A copy of the built program in its own folder, so that its setting.ini is
// the test's and not the developer's.
class InstalledMoxel {
  public:
    InstalledMoxel() { fs::copy_file(fs::path(MOXEL_BINARY_DIR) / "moxel", folder_ / "moxel"); }
    ~InstalledMoxel() { stop(); }

    const fs::path& folder() const { return folder_.path(); }

    void start(const std::string& jackServer) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("XDG_RUNTIME_DIR", folder_.path().c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", folder_.path().c_str(), 1);
            ::setenv("JACK_DEFAULT_SERVER", jackServer.c_str(), 1);
            ::setenv("JACK_NO_START_SERVER", "1", 1);
            const std::string program = (folder_ / "moxel").string();
            ::execl(program.c_str(), program.c_str(), nullptr);
            ::_exit(127);
        }
    }

    // SIGTERM and the exit status (nothing if it did not end in time).
    std::optional<int> stop() {
        if (pid_ <= 0) {
            return std::nullopt;
        }
        ::kill(pid_, SIGTERM);
        std::optional<int> status;
        waitUntil(
            [&] {
                int raw = 0;
                if (::waitpid(pid_, &raw, WNOHANG) != pid_) {
                    return false;
                }
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
                return true;
            },
            20s);
        if (!status) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
        return status;
    }

  private:
    moxel::test::TempDir folder_;
    pid_t pid_ = -1;
};

bool connected(const JackPeer& peer, const std::string& port, const std::string& other) {
    jack_port_t* p = jack_port_by_name(peer.client(), port.c_str());
    return p != nullptr && jack_port_connected_to(p, other.c_str()) != 0;
}

bool isController(const moxel::test::MidiEvent& event, int channel, int controller) {
    return event.bytes.size() == 3 && event.bytes[0] == 0xB0 + channel &&
           event.bytes[1] == controller;
}

TEST(ProgramOverJack, StoredDefaultDeviceAndChannelApplyAndExitSilencesTheOutput) {
    moxel::test::JackTestServer server;
    ASSERT_TRUE(server.running()) << server.error();
    JackPeer source("keys");
    JackPeer synthA("synth-a");
    JackPeer synthB("synth-b");
    ASSERT_TRUE(source.ok() && synthA.ok() && synthB.ok());

    InstalledMoxel moxel;
    moxel::test::writeFileBytes(moxel.folder() / "setting.ini",
                                "[Moxel Settings.]\r\nDefaultMidiIn=" + source.sourcePort() +
                                    "\r\nDefaultMidiOut=" + synthB.sinkPort() + "\r\n" +
                                    synthB.sinkPort() + "=3\r\n");
    moxel.start(server.name());

    // Moxel has opened its devices when the ports are connected.
    ASSERT_TRUE(waitUntil(
        [&] {
            const char** ours = jack_port_get_connections(
                jack_port_by_name(source.client(), source.sourcePort().c_str()));
            const bool in = ours != nullptr;
            jack_free(ours);
            const char** theirs = jack_port_get_connections(
                jack_port_by_name(synthB.client(), synthB.sinkPort().c_str()));
            const bool out = theirs != nullptr;
            jack_free(theirs);
            return in && out;
        },
        20s));
    EXPECT_FALSE(connected(synthA, synthA.sinkPort(), source.sourcePort()));

    // Moxel restores the stored channel right after it has connected the
    // output: play until a note arrives, and that on 4Ch (stored "3").
    std::size_t played = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto got = synthB.received();
            if (got.size() < played) {
                return false; // the last note is still on its way
            }
            if (!got.empty() && got.back().bytes == Bytes{0x93, 0x3C, 0x64}) {
                return true;
            }
            played += source.send({0x90, 0x3C, 0x64}, 7) ? 1 : 0;
            return false;
        },
        20s));
    const std::uint64_t after = synthB.received().back().frame;
    ASSERT_TRUE(synthA.waitForCycleAfter(after));
    EXPECT_TRUE(synthA.received().empty());

    // The orderly exit silences the output before it lets go of it: the held
    // note is released on the channel it sounds on.
    EXPECT_EQ(moxel.stop(), std::optional<int>(0));
    const auto events = synthB.received();
    EXPECT_NE(std::find_if(events.begin(), events.end(),
                           [](const auto& e) {
                               return e.bytes == Bytes{0x83, 0x3C, 0x00};
                           }),
              events.end());
    for (int channel = 0; channel < 16; ++channel) {
        for (int controller : {64, 123, 120}) {
            EXPECT_TRUE(
                std::any_of(events.begin(), events.end(),
                            [&](const auto& e) { return isController(e, channel, controller); }))
                << "channel " << channel << " controller " << controller;
        }
    }
    // Nothing of it went elsewhere, and the settings file is as it was.
    EXPECT_TRUE(synthA.received().empty());
}

} // namespace
