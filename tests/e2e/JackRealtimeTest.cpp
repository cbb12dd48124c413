// Proof that Moxel's process callback neither allocates nor locks: the relay
// runs through a real server with many kinds of events while every
// allocation and lock made inside the callback is counted.

#include <mutex>

#include "e2e/JackFixture.h"
#include "e2e/RealtimeHooks.h"
#include "midi/backends/jack/RealtimeScope.h"

namespace moxel::test {
namespace {

// Calls through a volatile pointer, so the compiler cannot drop the pair.
void* (*volatile allocate)(std::size_t) = &std::malloc;
void (*volatile release)(void*) = &std::free;

TEST(RealtimeHooksTest, CountOnlyInsideARealtimeScope) {
    resetRealtimeViolations();
    std::mutex m;
    release(allocate(32));
    { const std::lock_guard lock(m); }
    EXPECT_EQ(realtimeViolations().allocations, 0u);
    EXPECT_EQ(realtimeViolations().locks, 0u);
    {
        const RealtimeScope realtime;
        release(allocate(32));
        const std::lock_guard lock(m);
    }
    EXPECT_EQ(realtimeViolations().allocations, 2u);
    EXPECT_EQ(realtimeViolations().locks, 1u);
}

using JackRealtimeTest = JackFixture;

TEST_F(JackRealtimeTest, TheProcessCallbackNeitherAllocatesNorLocks) {
    JackPeer source("src"), sink("dst");
    ASSERT_TRUE(source.ok() && sink.ok());
    const MidiHandle in = openInput(source);
    const MidiHandle out = openOutput(sink);
    ASSERT_NE(in, 0u);
    ASSERT_NE(out, 0u);
    std::atomic<int> notified{0};
    backend->setActivityCallback([&] { ++notified; });
    resetRealtimeViolations();

    Bytes sysex{0xF0, 0x7D};
    sysex.resize(19, 0x20);
    sysex.push_back(0xF7);
    std::size_t expected = 0; // at the sink
    std::size_t fromSource = 0;
    for (int round = 0; round < 200; ++round) {
        const auto key = static_cast<std::uint8_t>(round % 128);
        const std::vector<ScheduledEvent> batch = {
            {{0x90, key, 0x64}, 0},
            {{0xB3, 0x07, key}, 3},
            {{0xF8}, 5},
            {{0xE1, 0x00, 0x40}, 9},
            {{0xC2, key}, 12},
            {sysex, 20},
            {{0x80, key, 0x00}, 30},
            {{0x90, key, 0x00}, 31},
            {{0xD0, key}, 40},
            {{0xFE}, 63},
        };
        ASSERT_TRUE(source.waitForSent(fromSource)); // one batch per cycle or so
        ASSERT_TRUE(source.sendBatch(batch));
        fromSource += batch.size();
        expected += batch.size();
        if (round % 10 == 0) {
            ASSERT_TRUE(
                backend->sendShort(out, 0x000000C0u | (static_cast<std::uint32_t>(key) << 8)));
            ++expected;
        }
        if (round == 100) {
            shared.updateInCh = 1; // follow mode for the second half
        }
        if (round % 50 == 25) {
            shared.inputLamp.exchange(false);
            shared.outputLamp.exchange(false);
            shared.channelFollowed.exchange(false);
        }
    }
    ASSERT_TRUE(sink.waitForReceived(expected));
    backend->resetOutput(out); // the reset path too
    ASSERT_TRUE(sink.waitForReceived(expected + 48));
    ASSERT_TRUE(waitUntil([&] { return notified.load() > 0; }));

    const RealtimeViolations v = realtimeViolations();
    EXPECT_EQ(v.allocations, 0u);
    EXPECT_EQ(v.locks, 0u);
    EXPECT_EQ(backend->lostEvents(), 0u);
}

} // namespace
} // namespace moxel::test
