#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "Program.h"
#include "peer/JackServer.h"

namespace moxel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// On an asynchronous server (jackd's default: it goes on without a client that
// is late), Moxel and the benchmarks' bare passthrough (keys:out to thru:in),
// stopped for the same cycles, lose what those cycles carried: a SysEx's start
// and a note. The SysEx's rest is none a receiver can take: the passthrough
// hands it on, Moxel drops it. Then the server stops: SIGTERM still ends Moxel
// within 2 s (status 0), and the server, going on, drops the client left to it.
TEST(Stopped, ClientsLoseWhatTheirMissedCyclesCarriedAndAStoppedServerHoldsUpNoEnd) {
    JackServer server(JackServer::Options{.synchronous = false});
    ASSERT_TRUE(server.running()) << server.error();
    JackPeer keys("keys"), synth("synth"), thru("thru");
    Program moxel;
    moxel.writeSettings("[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\n");
    moxel.start(server.name());
    const pid_t passthrough = ::fork();
    if (passthrough == 0) {
        const char* program = MOXEL_BINARY_DIR "/bench/moxel_latency_relay";
        ::execl(program, program, "--mode", "direct", "--source", "keys:out", "--destination",
                "thru:in", "--timeout", "10", nullptr);
        ::_exit(127);
    }
    ASSERT_GT(passthrough, 0);
    const std::vector<std::pair<JackPeer*, pid_t>> paths{{&synth, moxel.pid()},
                                                         {&thru, passthrough}};
    // Plays until both paths carry the batch's last event (a busy machine
    // makes any client miss a cycle now and then).
    const auto untilBothHear = [&](const std::vector<ScheduledEvent>& batch) {
        return waitUntil(
            [&] {
                keys.sendBatch(batch);
                synth.waitForReceived(synth.receivedBytes().size() + 1, 20ms);
                return std::ranges::all_of(paths, [&](const auto& path) {
                    return std::ranges::count(path.first->receivedBytes(), batch.back().bytes) > 0;
                });
            },
            20s);
    };
    EXPECT_TRUE(untilBothHear({{{0x90, 0x40, 0x64}, 0}}));

    for (const auto& [peer, pid] : paths) {
        ::kill(pid, SIGSTOP);
    }
    Bytes start(100, 0x11), rest(100, 0x22);
    start.front() = 0xF0;
    rest.back() = 0xF7;
    const std::size_t before = keys.sent().size();
    EXPECT_TRUE(keys.sendBatch({{start, 0}, {{0x90, 0x3C, 0x64}, 10}}));
    EXPECT_TRUE(keys.waitForSent(before + 2));
    // That cycle is over before they run again: a few of the keyboard's later.
    EXPECT_TRUE(keys.waitForCycleAfter(keys.sent().back().frame + 4 * keys.periodFrames()));
    for (const auto& [peer, pid] : paths) {
        peer->clearReceived();
        ::kill(pid, SIGCONT);
    }
    EXPECT_TRUE(untilBothHear({{{0x90, 0x41, 0x64}, 0}})); // both run again
    EXPECT_TRUE(untilBothHear({{rest, 0}, {{0x90, 0x3E, 0x64}, 10}}));
    for (const auto& [peer, pid] : paths) {
        const std::vector<Bytes> got = peer->receivedBytes();
        EXPECT_FALSE(std::ranges::any_of(got, [](const Bytes& b) { return b.front() == 0xF0; }));
        EXPECT_EQ(std::ranges::count(got, Bytes{0x90, 0x3C, 0x64}), 0);
        EXPECT_EQ(std::ranges::count(got, rest) > 0, peer == &thru) << peer->clientName();
    }
    ::kill(passthrough, SIGTERM);
    ::waitpid(passthrough, nullptr, 0);

    ASSERT_EQ(::kill(server.pid(), SIGSTOP), 0);
    const auto asked = std::chrono::steady_clock::now();
    const std::optional<int> status = moxel.stop(SIGTERM, 10s);
    const auto took = std::chrono::steady_clock::now() - asked;
    ::kill(server.pid(), SIGCONT);
    EXPECT_EQ(status, std::optional<int>(0));
    EXPECT_LT(took, 2s);
    EXPECT_TRUE(waitUntil([&] { return !connectedAnywhere(synth, synth.sinkPort()); }));
}

} // namespace
} // namespace moxel::test
