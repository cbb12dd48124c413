// Proof that the ALSA relay thread neither allocates nor locks once it runs:
// every kind of message, SysEx in chunks, the window's messages, a reset and
// an overflow of Moxel's queue pass through it while every allocation and
// lock it makes is counted.
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <thread>

#include "midi/backends/alsa/AlsaBackend.h"
#include "peer/AlsaPeer.h"
#include "peer/ProcessThreads.h"
#include "peer/WaitUntil.h"
#include "relay/MidiMessage.h"
#include "relay/RelayShared.h"
#include "support/RealtimeHooks.h"

namespace moxel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(AlsaRealtime, TheRelayThreadNeitherAllocatesNorLocks) {
    RelayShared shared;
    midi::AlsaBackend backend(shared);
    ASSERT_TRUE(backend.serviceAvailable()) << backend.error();
    AlsaPeer source("source"), sink("sink");
    midi::MidiHandle in = 0, out = 0;
    ASSERT_EQ(backend.openInput(midi::positionOf(backend.inputs(), source.sourcePort()), in),
              midi::OpenResult::Ok);
    backend.startInput(in);
    ASSERT_EQ(backend.openOutput(midi::positionOf(backend.outputs(), sink.sinkPort()), out),
              midi::OpenResult::Ok);
    ASSERT_TRUE(waitUntil([&] {
        source.send({0xF8});
        return sink.waitForReceived(1, std::chrono::milliseconds(20));
    }));
    resetRealtimeViolations();

    Bytes sysex{0xF0, 0x7D};
    sysex.resize(600, 0x20);
    sysex.push_back(0xF7);
    for (int round = 0; round < 100; ++round) {
        const auto key = static_cast<std::uint8_t>(round % 128);
        for (const Bytes& message :
             {Bytes{0x90, key, 100}, Bytes{0xB3, 7, key}, Bytes{0xE1, 0, 64}, Bytes{0xC2, key},
              Bytes(sysex.begin(), sysex.begin() + 300), Bytes(sysex.begin() + 300, sysex.end()),
              Bytes{0x80, key, 0}}) {
            ASSERT_TRUE(source.send(message));
        }
        if (round % 10 == 0) {
            ASSERT_TRUE(backend.sendShort(out, midi::programChange(0, key)));
        }
        shared.followInputChannel = round >= 50;
        // At a fast device's pace: the sequencer has no flow control, and a
        // receiver (Moxel) that falls behind loses what overflows its queue.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    backend.resetOutput(out);
    ASSERT_TRUE(sink.waitForReceived(1 + 100 * 7 + 10 + 48));
    EXPECT_EQ(backend.lostEvents(), 0U);

    // A sender on the relay's processor, above its priority, overflows its
    // queue (2,000): each event the kernel threw away counts as lost.
    cpu_set_t first;
    CPU_ZERO(&first);
    CPU_SET(0, &first);
    for (const auto& [thread, use] : readProcessThreads(getpid())) {
        if (thread.starts_with("moxel-relay ")) {
            ASSERT_EQ(sched_setaffinity(std::stoi(thread.substr(12)), sizeof first, &first), 0);
        }
    }
    const std::size_t before = sink.received().size(), sent = 2500;
    std::thread([&] {
        const sched_param above{99};
        ASSERT_EQ(sched_setaffinity(0, sizeof first, &first), 0);
        ASSERT_EQ(pthread_setschedparam(pthread_self(), SCHED_FIFO, &above), 0);
        for (std::size_t i = 0; i < sent; ++i) {
            ASSERT_TRUE(source.send({0x90, static_cast<std::uint8_t>(i % 128), 100}));
        }
    }).join();
    const auto accounted = [&] { return sink.received().size() - before + backend.lostEvents(); };
    waitUntil([&] { return accounted() >= sent; });
    EXPECT_GT(backend.lostEvents(), 1U) << "the whole queue, not one event";
    EXPECT_EQ(accounted(), sent);
    EXPECT_EQ(realtimeViolations().allocations, 0U);
    EXPECT_EQ(realtimeViolations().locks, 0U);
}

} // namespace
} // namespace moxel::test
