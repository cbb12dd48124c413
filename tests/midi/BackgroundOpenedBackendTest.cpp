// The backend made in the background: the program goes on while it is made,
// the first call waits for it, and every call reaches it.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "midi/BackgroundOpenedBackend.h"
#include "support/FakeBackend.h"

namespace moxel {
namespace {

TEST(BackgroundOpenedBackend, MadeOnItsOwnThreadWhileTheCallerGoesOnAndWaitedForAtFirstUse) {
    RelayShared shared;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> made{false};
    std::thread::id maker;
    BackgroundOpenedBackend backend([&] {
        maker = std::this_thread::get_id();
        released.wait(); // the service takes its time
        auto fake = std::make_unique<FakeBackend>(shared);
        fake->outputs = {{CapsResult::Ok, "synth:in", OpenResult::Ok, "synth"}};
        made = true;
        return fake;
    });
    EXPECT_FALSE(made);
    backend.startMaking();
    EXPECT_FALSE(made); // the caller goes on meanwhile
    release.set_value();
    const auto outputs = backend.outputs(); // waited for, then passed through
    EXPECT_TRUE(made);
    EXPECT_NE(maker, std::this_thread::get_id());
    ASSERT_EQ(outputs.size(), 1U);
    EXPECT_EQ(outputs[0].name, "synth:in");
    MidiHandle handle = 0;
    EXPECT_EQ(backend.openOutput(0, handle), OpenResult::Ok);
    EXPECT_TRUE(backend.sendShort(handle, 0x0040B0));
    EXPECT_EQ(static_cast<FakeBackend&>(backend.made()).sent.size(), 1U);
}

// Started and never used: waited for at the end. Never started: made, on
// the caller's own thread, by its first use.
TEST(BackgroundOpenedBackend, StartedIsWaitedForAtTheEndAndNotStartedIsMadeAtFirstUse) {
    std::atomic<bool> made{false};
    {
        BackgroundOpenedBackend backend([&] {
            made = true;
            return std::unique_ptr<MidiBackend>();
        });
        backend.startMaking();
    }
    EXPECT_TRUE(made);
    RelayShared shared;
    std::thread::id maker;
    BackgroundOpenedBackend backend([&] {
        maker = std::this_thread::get_id();
        return std::make_unique<FakeBackend>(shared);
    });
    EXPECT_TRUE(backend.inputs().empty());
    EXPECT_EQ(maker, std::this_thread::get_id());
}

} // namespace
} // namespace moxel
