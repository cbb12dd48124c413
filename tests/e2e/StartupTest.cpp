// A start with MIDI already flowing, on a busy machine: from the first
// message the synth hears, everything is the player's, on the channel the
// window shows for that output, and nothing else (no reset, no note-off)
// comes from Moxel's own start.
#include <algorithm>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "Program.h"
#include "peer/JackServer.h"

namespace moxel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Two loops that keep both cores busy while they live, as a DAW or a soft
// synth does on stage: the window's thread then runs late.
class BusyMachine {
  public:
    BusyMachine() {
        for (auto& loop : loops_) {
            loop = std::thread([this] {
                while (!stop_.load(std::memory_order_relaxed)) {
                }
            });
        }
    }
    ~BusyMachine() {
        stop_ = true;
        for (auto& loop : loops_) {
            loop.join();
        }
    }

  private:
    std::atomic<bool> stop_{false};
    std::thread loops_[2];
};

struct Start {
    const char* what;
    const char* settings;
    bool oneClient; // the input and the output belong to one client
    std::uint8_t channel;
};

TEST(Startup, FromTheFirstMessageTheSynthHearsOnlyThePlayerOnTheShownChannel) {
    const Start starts[] = {
        {"stored devices and channel",
         "[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\nsynth:in=3\n", false,
         3},
        {"first start beside one client", nullptr, true, 0},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(start.what);
        JackServer server;
        ASSERT_TRUE(server.running()) << server.error();
        JackPeer keys("keys");
        std::optional<JackPeer> synth;
        if (!start.oneClient) {
            synth.emplace("synth");
        }
        JackPeer& sink = start.oneClient ? keys : *synth;

        Program moxel;
        if (start.settings != nullptr) {
            moxel.writeSettings(start.settings);
        }
        std::size_t played = 0;
        const auto play = [&] { // control changes on 6Ch, one per cycle
            keys.send({0xB5, 1, static_cast<std::uint8_t>(played++ % 128)});
            keys.waitForSent(played);
        };
        for (int i = 0; i < 20; ++i) {
            play(); // flowing before the start
        }
        {
            const BusyMachine busy;
            moxel.start(server.name());
            ASSERT_TRUE(waitUntil(
                [&] {
                    play();
                    return sink.received().size() >= 300;
                },
                20s));
        }
        // The first message that is not the player's control change on the
        // shown channel, if any.
        const auto heard = sink.received();
        const Bytes expected{static_cast<std::uint8_t>(0xB0 | start.channel), 1};
        const auto wrong = std::ranges::find_if(heard, [&](const MidiEvent& e) {
            return e.bytes.size() != 3 ||
                   !std::equal(expected.begin(), expected.end(), e.bytes.begin());
        });
        EXPECT_EQ(wrong, heard.end())
            << "message " << (wrong - heard.begin()) << " of " << heard.size() << " starts with "
            << std::hex << int(wrong->bytes[0]);
        EXPECT_EQ(moxel.stop(), std::optional<int>(0));
    }
}

} // namespace
} // namespace moxel::test
