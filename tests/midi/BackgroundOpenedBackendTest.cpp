// Backends that stand for another: the one made in the background (the
// program goes on while it is made, the first call waits for it, and every
// call reaches it), and the one that switches MIDI systems.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "midi/BackgroundOpenedBackend.h"
#include "midi/SwitchingBackend.h"
#include "support/FakeBackend.h"

namespace moxel {
namespace {

TEST(BackgroundOpenedBackend, MadeOnItsOwnThreadWhileTheCallerGoesOnAndWaitedForAtFirstUse) {
    RelayShared shared;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> made{false};
    std::thread::id maker;
    midi::BackgroundOpenedBackend backend([&] {
        maker = std::this_thread::get_id();
        released.wait(); // the service takes its time
        auto fake = std::make_unique<FakeBackend>(shared);
        fake->outputs = {{midi::CapsResult::Ok, "synth:in", midi::OpenResult::Ok, "synth"}};
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
    midi::MidiHandle handle = 0;
    EXPECT_EQ(backend.openOutput(0, handle), midi::OpenResult::Ok);
    EXPECT_TRUE(backend.sendShort(handle, 0x0040B0));
    EXPECT_EQ(static_cast<FakeBackend&>(backend.made()).sent.size(), 1U);
}

// Started and never used: waited for at the end. Never started: made, on
// the caller's own thread, by its first use.
TEST(BackgroundOpenedBackend, StartedIsWaitedForAtTheEndAndNotStartedIsMadeAtFirstUse) {
    std::atomic<bool> made{false};
    {
        midi::BackgroundOpenedBackend backend([&] {
            made = true;
            return std::unique_ptr<midi::MidiBackend>();
        });
        backend.startMaking();
    }
    EXPECT_TRUE(made);
    RelayShared shared;
    std::thread::id maker;
    midi::BackgroundOpenedBackend backend([&] {
        maker = std::this_thread::get_id();
        return std::make_unique<FakeBackend>(shared);
    });
    EXPECT_TRUE(backend.inputs().empty());
    EXPECT_EQ(maker, std::this_thread::get_id());
}

// Switching to the other MIDI system: the calls reach its backend, and the
// news callbacks set before reach the window from it.
TEST(SwitchingBackend, TheOtherSystemsBackendServesWithTheSameCallbacks) {
    RelayShared shared;
    int made = 0, news = 0;
    FakeBackend* alsaFake = nullptr;
    constexpr midi::MidiSystem systems[] = {{"jack", "", "", "", "", nullptr},
                                            {"alsa", "", "", "", "Alsa", nullptr}};
    midi::SwitchingBackend backend(
        systems, std::make_unique<FakeBackend>(shared),
        [&]() -> const midi::MidiSystem& { return systems[0]; },
        [&](const midi::MidiSystem&) {
            ++made;
            auto alsa = std::make_unique<FakeBackend>(shared);
            alsa->outputs = {{midi::CapsResult::Ok, "Synth:in", midi::OpenResult::Ok, "Synth"}};
            alsaFake = alsa.get();
            return alsa;
        });
    backend.setNewsCallback(midi::News::Devices, [&] { ++news; });
    EXPECT_TRUE(backend.outputs().empty());
    backend.use(systems[0]); // the one that serves: nothing
    EXPECT_EQ(made, 0);
    backend.use(systems[1]);
    EXPECT_EQ(backend.current().key, "alsa");
    ASSERT_EQ(backend.outputs().size(), 1U);
    midi::MidiHandle handle = 0;
    ASSERT_EQ(backend.openOutput(0, handle), midi::OpenResult::Ok);
    EXPECT_EQ(backend.openName(handle), "Synth:in");
    alsaFake->announceChange();
    EXPECT_EQ(news, 1);
}

} // namespace
} // namespace moxel
