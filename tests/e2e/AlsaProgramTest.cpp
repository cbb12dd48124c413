// The real program on the ALSA sequencer (in the test guest): stored devices
// relayed on the stored channel, SysEx whole, the connections where every
// patchbay sees them, an orderly end, a synth that goes and comes back, and
// the end after a flood heard whole by aseqdump.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "peer/AlsaPeer.h"
#include "peer/Aseqdump.h"
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

// After a flood of 20,000 notes at 10,000 a second that leaves every key on
// every channel sounding, SIGTERM's release and reset reach aseqdump whole.
TEST_F(AlsaProgram, AfterAFloodTheEndSilencesEveryKeyAndChannelAtAseqdump) {
    AlsaPeer keys("keys");
    Aseqdump aseqdump(moxel.folder() / "aseqdump.txt");
    start("[Moxel Settings.]\nAlsaDefaultMidiIn=keys:out\nAlsaDefaultMidiOut=aseqdump:aseqdump\n"
          "UpdateInCh=1\n",
          {"--midi", "alsa"});
    // A marker played until aseqdump hears it (again, when its queue ran
    // over): how much it had heard by then.
    const auto untilHeard = [&](const Bytes& marker) {
        std::size_t heard = 0;
        EXPECT_TRUE(waitUntil(
            [&] { return keys.send(marker) && (heard = aseqdump.waitForHeard(marker, 100ms)) > 0; },
            30s));
        return heard;
    };
    untilHeard({0xB0, 3, 1}); // the connections hold
    // Each key in turn played and released 4 or 5 times, then held (101).
    std::vector<Bytes> notes;
    for (int n = 0; n < 16 * 128; ++n) {
        const auto on = static_cast<std::uint8_t>(0x90 | n / 128);
        const auto key = static_cast<std::uint8_t>(n % 128);
        for (int pair = n < 784 ? 5 : 4; pair > 0; --pair) {
            notes.insert(notes.end(),
                         {{on, key, 100}, {static_cast<std::uint8_t>(on - 0x10), key, 100}});
        }
        notes.push_back({on, key, 101});
    }
    ASSERT_EQ(notes.size(), 20000U);
    const auto startedAt = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < notes.size(); ++i) {
        std::this_thread::sleep_until(startedAt + std::chrono::microseconds(100 * i));
        keys.send(notes[i]);
    }
    const std::size_t flooded = untilHeard({0xB0, 3, 2}); // aseqdump caught up
    // Each note aseqdump heard held is released, each channel silenced.
    const std::vector<Bytes> flood = aseqdump.heard();
    std::set<Bytes> silence;
    for (std::size_t i = 0; i < flooded; ++i) {
        if (flood[i][0] >> 4 == 0x9 && flood[i][2] == 101) {
            silence.insert({static_cast<std::uint8_t>(flood[i][0] - 0x10), flood[i][1], 0});
        }
    }
    if (silence.size() < 160) { // with the reset's 48, more than a receiver's queue
        GTEST_SKIP() << "aseqdump kept up with too little of the flood here to test the end";
    }
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
        for (const std::uint8_t controller : {64, 123, 120}) { // sustain, all notes, all sound off
            silence.insert({static_cast<std::uint8_t>(0xB0 | channel), controller, 0});
        }
    }
    EXPECT_EQ(moxel.stop(), std::optional<int>(0));
    aseqdump.waitForHeard({0xBF, 120, 0}, 10s); // the last of the reset
    const std::vector<Bytes> heard = aseqdump.heard();
    EXPECT_TRUE(std::ranges::includes(
        std::set(heard.begin() + static_cast<long>(flooded), heard.end()), silence));
}

} // namespace
} // namespace moxel::test
