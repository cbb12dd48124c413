// The real program on the ALSA sequencer (in the test guest): stored devices
// relayed on the stored channel, SysEx whole, the connections where every
// patchbay sees them, an orderly end, a synth that goes and comes back, and
// the end after a flood heard whole by aseqdump.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "peer/AlsaPeer.h"
#include "peer/MoxelProcess.h"
#include "peer/WaitUntil.h"

namespace moxel::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class AlsaProgram : public ::testing::Test {
  protected:
    // Asked for the ALSA sequencer, or (asked for nothing) finding it by
    // itself where no JACK server runs.
    void start(const std::string& settings, std::vector<std::string> arguments) {
        moxel.writeSettings(settings);
        moxel.setArguments(std::move(arguments));
        moxel.start();
    }
    static std::string aconnect() {
        std::string text;
        FILE* out = ::popen("aconnect -l", "r");
        for (char line[512]; out != nullptr && std::fgets(line, sizeof line, out) != nullptr;) {
            text += line;
        }
        if (out != nullptr) {
            ::pclose(out);
        }
        return text;
    }
    static Bytes joined(const std::vector<AlsaPeer::Event>& events) {
        Bytes all;
        for (const auto& e : events) {
            all.insert(all.end(), e.bytes.begin(), e.bytes.end());
        }
        return all;
    }

    MoxelProcess moxel{std::string(MOXEL_BINARY_DIR) + "/moxel"};
};

// From a virtual raw MIDI port (the kernel turns the bytes written to it into
// events) through Moxel to Midi Through, whose other side a listener reads.
TEST_F(AlsaProgram, StoredDevicesRelayNotesAndSysexOnTheStoredChannel) {
    AlsaPeer listener("listener");
    ASSERT_TRUE(listener.ok());
    ASSERT_EQ(
        std::system(
            ("aconnect 'Midi Through:0' " + std::to_string(listener.client()) + ":1").c_str()),
        0);
    start("[Moxel Settings.]\nAlsaDefaultMidiIn=Virtual Raw MIDI 0-0:VirMIDI 0-0\n"
          "AlsaDefaultMidiOut=Midi Through:Midi Through Port-0\n"
          "Midi Through:Midi Through Port-0=3\n",
          {"--midi", "alsa"});
    const int raw = ::open("/dev/snd/midiC0D0", O_WRONLY);
    ASSERT_GE(raw, 0);
    Bytes played{0x90, 60, 100, 0x80, 60, 64, 0xF0};
    for (int i = 0; i < 4000; ++i) {
        played.push_back(static_cast<std::uint8_t>(i % 0x7F));
    }
    played.push_back(0xF7);
    // Played until the connections hold (what comes before is for nobody).
    ASSERT_TRUE(waitUntil(
        [&] {
            EXPECT_EQ(::write(raw, played.data(), 3), 3);
            return listener.waitForReceived(1, 50ms);
        },
        20s));
    const std::size_t before = listener.received().size();
    ASSERT_EQ(::write(raw, played.data(), played.size()), static_cast<ssize_t>(played.size()));
    ::close(raw);
    Bytes expected = played;
    expected[0] = 0x93; // the stored channel
    expected[3] = 0x83;
    EXPECT_TRUE(waitUntil([&] {
        const auto got = listener.received();
        return joined({got.begin() + static_cast<long>(before), got.end()}).size() >=
               expected.size();
    }));
    const auto got = listener.received();
    EXPECT_EQ(joined({got.begin() + static_cast<long>(before), got.end()}), expected);

    // Moxel's ports and their connections, as aconnect -l shows them:
    // VirMIDI 0-0 (16:0) to midi_in, midi_out to Midi Through (14:0).
    const std::string patchbay = aconnect();
    const std::size_t moxelAt = patchbay.find("'Moxel'");
    ASSERT_NE(moxelAt, std::string::npos) << patchbay;
    const std::string ports = patchbay.substr(moxelAt);
    EXPECT_NE(ports.find("'midi_in         '\n\tConnected From: 16:0\n"), std::string::npos)
        << ports;
    EXPECT_NE(ports.find("'midi_out        '\n\tConnecting To: 14:0\n"), std::string::npos)
        << ports;
    EXPECT_EQ(moxel.stop(), std::optional<int>(0));
}

// Started with no MIDI system asked for and no JACK server, Moxel finds the
// sequencer by itself. The synth goes while a note sounds and comes back:
// Moxel connects it again by its name and releases the note there first;
// the keys going releases their held note at once.
TEST_F(AlsaProgram, ASynthThatGoesAndComesBackHealsWithNoStuckNote) {
    auto keys = std::make_unique<AlsaPeer>("keys");
    auto synth = std::make_unique<AlsaPeer>("synth");
    start(
        "[Moxel Settings.]\nAlsaDefaultMidiIn=keys:out\nAlsaDefaultMidiOut=synth:in\nsynth:in=3\n",
        {});
    ASSERT_TRUE(waitUntil(
        [&] {
            keys->send({0x90, 60, 100});
            return synth->waitForReceived(1, 50ms);
        },
        20s));
    synth.reset();
    const auto back = std::chrono::steady_clock::now();
    synth = std::make_unique<AlsaPeer>("synth");
    ASSERT_TRUE(synth->waitForReceived(2, 10s));
    const auto healed = synth->received()[1].time - back;
    std::printf("healed after %lld ms\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(healed).count()));
    EXPECT_EQ(synth->received()[0].bytes, (Bytes{0xB3, 64, 0}));
    EXPECT_EQ(synth->received()[1].bytes, (Bytes{0x83, 60, 0}));
    keys->send({0x90, 62, 100});
    ASSERT_TRUE(synth->waitForReceived(3));
    keys.reset();
    ASSERT_TRUE(synth->waitForReceived(4));
    EXPECT_EQ(synth->received()[3].bytes, (Bytes{0x83, 62, 0}));
    EXPECT_EQ(moxel.stop(), std::optional<int>(0));
}

// aseqdump, whose port is "aseqdump:aseqdump", writing what it hears into a
// file: a receiver that reads with the queue the kernel gives every client.
class Aseqdump {
  public:
    struct Heard {
        std::string kind; // "Note on", "Note off", "Control change"
        int channel = -1, number = -1, value = -1;
    };

    explicit Aseqdump(std::filesystem::path file) : file_(std::move(file)) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        char name[] = "aseqdump";
        char* arguments[] = {name, nullptr};
        if (posix_spawnp(&pid_, name, &actions, nullptr, arguments, environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Aseqdump() { stop(); }
    Aseqdump(const Aseqdump&) = delete;
    Aseqdump& operator=(const Aseqdump&) = delete;

    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGINT);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    // The channel messages it printed so far, in order.
    std::vector<Heard> heard() const {
        std::vector<Heard> all;
        std::ifstream in(file_);
        for (std::string line; std::getline(in, line);) {
            for (const char* kind : {"Note on", "Note off", "Control change"}) {
                const std::size_t at = line.find(kind);
                Heard h{kind};
                if (at != std::string::npos &&
                    std::sscanf(line.c_str() + at + h.kind.size(), "%d, %*s %d, %*s %d", &h.channel,
                                &h.number, &h.value) >= 2) {
                    all.push_back(h);
                }
            }
        }
        return all;
    }

  private:
    std::filesystem::path file_;
    pid_t pid_ = -1;
};

bool isMarker(const Aseqdump::Heard& h) {
    return h.kind == "Control change" && h.number == 3 && h.value == 99;
}

// A flood of 20,000 notes at 10,000 a second, which leaves every key on
// every channel sounding (the notes keep their channels), then SIGTERM: the
// release of the closed input's notes and the reset, some 2,100 messages,
// reach aseqdump whole.
TEST_F(AlsaProgram, AfterAFloodTheEndSilencesEveryKeyAndChannelAtAseqdump) {
    AlsaPeer keys("keys");
    Aseqdump aseqdump(moxel.folder() / "aseqdump.txt");
    start("[Moxel Settings.]\nAlsaDefaultMidiIn=keys:out\nAlsaDefaultMidiOut=aseqdump:aseqdump\n"
          "UpdateInCh=1\n",
          {"--midi", "alsa"});
    const Bytes marker{0xB0, 3, 99};
    const auto markersHeard = [&] { return std::ranges::count_if(aseqdump.heard(), isMarker); };
    ASSERT_TRUE(waitUntil(
        [&] {
            keys.send(marker);
            return waitUntil([&] { return markersHeard() > 0; }, 50ms);
        },
        20s));

    // Each key of each channel in turn is played and released four or five
    // times, then held (velocity 101): 20,000 notes at 10,000 a second.
    constexpr int kKeys = 16 * 128, kFlood = 20000, kFivePairs = (kFlood - 9 * kKeys) / 2;
    std::vector<Bytes> flood;
    for (int n = 0; n < kKeys; ++n) {
        const auto channel = static_cast<std::uint8_t>(n / 128);
        const auto key = static_cast<std::uint8_t>(n % 128);
        for (int pair = 0; pair < (n < kFivePairs ? 5 : 4); ++pair) {
            flood.push_back({static_cast<std::uint8_t>(0x90 | channel), key, 100});
            flood.push_back({static_cast<std::uint8_t>(0x80 | channel), key, 100});
        }
        flood.push_back({static_cast<std::uint8_t>(0x90 | channel), key, 101});
    }
    ASSERT_EQ(flood.size(), std::size_t{kFlood});
    const auto startedAt = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < flood.size(); ++i) {
        std::this_thread::sleep_until(startedAt + std::chrono::microseconds(100 * i));
        keys.send(flood[i]);
    }
    // Once aseqdump has caught up (a marker lost when its queue ran over is
    // sent again).
    const long before = markersHeard();
    ASSERT_TRUE(waitUntil(
        [&] {
            keys.send(marker);
            return waitUntil([&] { return markersHeard() > before; }, 2s);
        },
        30s));
    const std::size_t flooded = aseqdump.heard().size();
    EXPECT_EQ(moxel.stop(), std::optional<int>(0));

    const auto heard = [&] {
        const auto all = aseqdump.heard();
        return std::vector(all.begin() + static_cast<long>(std::min(flooded, all.size())),
                           all.end());
    };
    EXPECT_TRUE(waitUntil([&] {
        return std::ranges::count_if(heard(), [](const Aseqdump::Heard& h) {
                   return h.kind == "Control change" && h.number == 120;
               }) == 16;
    }));
    aseqdump.stop();
    // What sounded at aseqdump when the flood ended, and what came after.
    std::set<std::pair<int, int>> sounding, released;
    std::set<std::pair<int, int>> controllers; // (channel, controller)
    const auto all = aseqdump.heard();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Aseqdump::Heard& h = all[i];
        const std::pair key(h.channel, h.number);
        if (i < flooded) {
            // A note aseqdump heard held was sent by Moxel, and nothing
            // after it released it. (A release aseqdump missed, when its
            // queue ran over, may have left others sounding there only.)
            if (h.kind == "Note on" && h.value == 101) {
                sounding.insert(key);
            }
        } else if (h.kind == "Note off") {
            released.insert(key);
        } else if (h.kind == "Control change") {
            controllers.insert(key);
        }
    }
    std::vector<std::pair<int, int>> unreleased;
    std::ranges::set_difference(sounding, released, std::back_inserter(unreleased));
    std::printf("%zu held notes heard by aseqdump; %zu released after the flood\n", sounding.size(),
                released.size());
    EXPECT_GT(sounding.size(), 200U) << "aseqdump lost most of the flood: no test of the end";
    EXPECT_TRUE(unreleased.empty()) << unreleased.size() << " held notes not released, the first "
                                    << unreleased.front().first << ":" << unreleased.front().second;
    for (int channel = 0; channel < 16; ++channel) {
        for (const int controller : {64, 123, 120}) { // sustain, All Notes Off, All Sound Off
            EXPECT_TRUE(controllers.contains({channel, controller}))
                << "channel " << channel << ", controller " << controller;
        }
    }
}

} // namespace
} // namespace moxel::test
