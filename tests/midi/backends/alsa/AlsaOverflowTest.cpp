// Moxel's queue in the kernel running over: the kernel empties it whole and
// tells only that it did; every event it held counts as lost.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "midi/backends/alsa/AlsaBackend.h"
#include "peer/AlsaPeer.h"
#include "peer/WaitUntil.h"
#include "relay/RelayShared.h"

namespace moxel::test {
namespace {

pid_t threadNamed(const std::string& name) {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string comm;
        std::getline(std::ifstream(task.path() / "comm"), comm);
        if (comm == name) {
            return std::stoi(task.path().filename().string());
        }
    }
    return -1;
}

TEST(AlsaOverflow, EveryEventOfAQueueThatRanOverIsCountedLostAndTheRestRelayed) {
    RelayShared shared;
    AlsaBackend backend(shared);
    ASSERT_TRUE(backend.serviceAvailable()) << backend.error();
    AlsaPeer keys("keys"), synth("synth");
    MidiHandle in = 0, out = 0;
    ASSERT_EQ(backend.openInput(positionOf(backend.inputs(), keys.sourcePort()), in),
              OpenResult::Ok);
    backend.startInput(in);
    ASSERT_EQ(backend.openOutput(positionOf(backend.outputs(), synth.sinkPort()), out),
              OpenResult::Ok);
    ASSERT_TRUE(waitUntil([&] {
        keys.send({0xF8});
        return synth.waitForReceived(1, std::chrono::milliseconds(20));
    }));
    const std::size_t before = synth.received().size();

    // The relay thread and this one's sender on one processor, the sender
    // above the relay's priority: the relay reads only while the sender
    // waits, once the queue is full.
    cpu_set_t first;
    CPU_ZERO(&first);
    CPU_SET(0, &first);
    const pid_t relay = threadNamed("moxel-relay");
    ASSERT_GT(relay, 0);
    ASSERT_EQ(sched_setaffinity(relay, sizeof first, &first), 0);
    constexpr int kSent = 2500; // more than the queue holds (2,000)
    std::thread([&] {
        sched_param param{};
        param.sched_priority = 99;
        ASSERT_EQ(sched_setaffinity(0, sizeof first, &first), 0);
        ASSERT_EQ(pthread_setschedparam(pthread_self(), SCHED_FIFO, &param), 0);
        for (int i = 0; i < kSent; ++i) {
            ASSERT_TRUE(keys.send({0x90, static_cast<std::uint8_t>(i % 128), 100}));
        }
    }).join();

    waitUntil([&] { return synth.received().size() - before + backend.lostEvents() >= kSent; });
    EXPECT_GT(backend.lostEvents(), 1U) << "the whole queue, not one event";
    EXPECT_EQ(synth.received().size() - before + backend.lostEvents(), std::size_t{kSent});
}

} // namespace
} // namespace moxel::test
