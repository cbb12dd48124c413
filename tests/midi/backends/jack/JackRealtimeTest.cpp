// Proof that Moxel's process callback neither allocates nor locks: the relay
// runs through a real server with many kinds of events while every
// allocation and lock made inside the callback is counted.

#include <mutex>

#include "JackFixture.h"
#include "relay/RealtimeScope.h"
#include "support/RealtimeHooks.h"

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
    const midi::MidiHandle out = openOutput(sink);
    ASSERT_NE(openInput(source) * out, 0u);
    std::atomic<int> notified{0};
    backend->setNewsCallback(midi::News::Relay, [&] { ++notified; });
    resetRealtimeViolations();

    Bytes sysex{0xF0, 0x7D};
    sysex.resize(19, 0x20);
    sysex.push_back(0xF7);
    std::size_t expected = 0; // at the sink
    for (int round = 0; round < 200; ++round) {
        const auto key = static_cast<std::uint8_t>(round % 128);
        const std::vector<ScheduledEvent> batch = {{{0x90, key, 0x64}, 0},
                                                   {{0xB3, 0x07, key}, 3},
                                                   {{0xF8}, 5},
                                                   {{0xE1, 0x00, 0x40}, 9},
                                                   {{0xC2, key}, 12},
                                                   {Bytes(sysex.begin(), sysex.begin() + 9), 20},
                                                   {Bytes(sysex.begin() + 9, sysex.end()), 21},
                                                   {{0x80, key, 0x00}, 30},
                                                   {{0x90, key, 0x00}, 31},
                                                   {{0xD0, key}, 40},
                                                   {{0xFE}, 63}};
        ASSERT_TRUE(source.waitForSent(10U * round)); // about one batch per cycle
        ASSERT_TRUE(source.sendBatch(batch));
        expected += batch.size();
        if (round % 10 == 0) { // the UI's path
            ASSERT_TRUE(backend->sendShort(out, 0xC0u | static_cast<std::uint32_t>(key) << 8));
            ++expected;
        }
        shared.followInputChannel = round >= 100; // follow mode for the second half
        if (round % 50 == 25) {                   // the UI takes the news: they are raised again
            shared.inputLamp = shared.outputLamp = shared.channelFollowed = false;
        }
    }
    ASSERT_TRUE(sink.waitForReceived(expected));
    backend->resetOutput(out); // the reset path too
    ASSERT_TRUE(sink.waitForReceived(expected + 48));
    ASSERT_TRUE(waitUntil([&] { return notified.load() > 0; }));

    EXPECT_EQ(realtimeViolations().allocations, 0u);
    EXPECT_EQ(realtimeViolations().locks, 0u);
    EXPECT_EQ(backend->lostEvents(), 0u);
}

} // namespace
} // namespace moxel::test
