// A client that is late for its cycle on an asynchronous JACK server (jackd's
// default: the server goes on without it) never sees what that cycle
// carried. Moxel and the bare passthrough of the benchmarks, both stopped for
// the same cycles, lose the same: a SysEx's start and a note played meanwhile.
// What follows the lost start is no SysEx a receiver can take: the
// passthrough hands it on without its start, Moxel drops it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "Program.h"
#include "peer/JackServer.h"

namespace moxel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The benchmarks' passthrough (moxel_latency_relay --mode direct) as a process
// of its own between keys:out and thru:in.
class Passthrough {
  public:
    Passthrough() : pid_(::fork()) {
        if (pid_ == 0) {
            const char* program = MOXEL_BINARY_DIR "/bench/moxel_latency_relay";
            ::execl(program, program, "--mode", "direct", "--source", "keys:out", "--destination",
                    "thru:in", "--timeout", "10", nullptr);
            ::_exit(127);
        }
    }
    ~Passthrough() {
        if (pid_ > 0) {
            ::kill(pid_, SIGCONT);
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Passthrough(const Passthrough&) = delete;
    Passthrough& operator=(const Passthrough&) = delete;
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_;
};

bool has(const std::vector<Bytes>& heard, const std::function<bool(const Bytes&)>& which) {
    return std::ranges::any_of(heard, which);
}

TEST(LateClient, WhatAMissedCycleCarriedIsLostThroughMoxelAsThroughAPassthrough) {
    JackServer server(JackServer::Options{.synchronous = false});
    ASSERT_TRUE(server.running()) << server.error();
    JackPeer keys("keys"), synth("synth"), thru("thru");
    Program moxel;
    moxel.writeSettings("[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\n");
    moxel.start(server.name());
    const Passthrough passthrough;
    ASSERT_TRUE(waitUntil(
        [&] {
            return connectedAnywhere(synth, synth.sinkPort()) &&
                   connectedAnywhere(thru, thru.sinkPort());
        },
        10s));
    const std::vector<std::pair<JackPeer*, pid_t>> paths{{&synth, moxel.pid()},
                                                         {&thru, passthrough.pid()}};
    // Plays until both hear the batch's last event (a busy machine makes any
    // client miss a cycle now and then).
    const auto untilBothHear = [&](const std::vector<ScheduledEvent>& batch) {
        const Bytes last = batch.back().bytes;
        return waitUntil(
            [&] {
                keys.sendBatch(batch);
                synth.waitForReceived(synth.receivedBytes().size() + 1, 20ms);
                return std::ranges::all_of(paths, [&](const auto& path) {
                    return has(path.first->receivedBytes(),
                               [&](const Bytes& b) { return b == last; });
                });
            },
            10s);
    };
    ASSERT_TRUE(untilBothHear({{{0x90, 0x40, 0x64}, 0}})); // the links carry

    for (const auto& [peer, pid] : paths) {
        ::kill(pid, SIGSTOP);
    }
    Bytes start(100, 0x11), rest(100, 0x22);
    start.front() = 0xF0;
    rest.back() = 0xF7;
    const std::size_t before = keys.sent().size();
    ASSERT_TRUE(keys.sendBatch({{start, 0}, {{0x90, 0x3C, 0x64}, 10}}));
    ASSERT_TRUE(keys.waitForSent(before + 2));
    // That cycle is over before they run again: a few of the keyboard's later.
    ASSERT_TRUE(keys.waitForCycleAfter(keys.sent().back().frame + 4 * keys.periodFrames()));
    for (const auto& [peer, pid] : paths) {
        peer->clearReceived();
        ::kill(pid, SIGCONT);
    }
    ASSERT_TRUE(untilBothHear({{{0x90, 0x41, 0x64}, 0}})); // both run again
    ASSERT_TRUE(untilBothHear({{rest, 0}, {{0x90, 0x3E, 0x64}, 10}}));
    for (const auto& [peer, pid] : paths) {
        const std::vector<Bytes> heard = peer->receivedBytes();
        const bool passthroughPath = peer == &thru;
        EXPECT_FALSE(has(heard, [](const Bytes& b) { return b.front() == 0xF0; }));
        EXPECT_FALSE(has(heard, [](const Bytes& b) { return b == Bytes{0x90, 0x3C, 0x64}; }));
        EXPECT_EQ(has(heard, [&](const Bytes& b) { return b == rest; }), passthroughPath);
    }
}

} // namespace
} // namespace moxel::test
