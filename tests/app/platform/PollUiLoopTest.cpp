// The event loop without a toolkit: its timers, the wakes from other threads
// and its end.
#include "app/platform/PollUiLoop.h"

#include <functional>
#include <future>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/RecordingEvents.h"

namespace moxel {
namespace {

using namespace std::chrono_literals;

class PollUiLoopTest : public ::testing::Test {
  protected:
    PollUiLoopTest() { loop.setEvents(&events); }

    // Runs the loop; one that has not ended after 10 s is ended, and fails.
    void run() {
        std::promise<void> ended;
        bool late = false;
        std::thread deadline([&late, this, done = ended.get_future()] {
            if (done.wait_for(10s) == std::future_status::timeout) {
                late = true;
                loop.quitEventLoop();
            }
        });
        loop.runEventLoop();
        ended.set_value();
        deadline.join();
        EXPECT_FALSE(late) << "the loop ran on";
    }

    PollUiLoop loop{3ms, 3ms};
    test::RecordingEvents events;
};

// Each timer ticks until it is stopped, and not once after: another timer
// runs on for several of its intervals before the loop ends.
TEST_F(PollUiLoopTest, TimersTickOnlyWhileTheyRun) {
    const auto lamp = [this](bool on) { loop.setLampTimer(on ? 3ms : 0ms); };
    const auto search = [this](bool on) { loop.setServiceSearchActive(on); };
    const auto retry = [this](bool on) { loop.setSettingsRetryActive(on); };
    const struct {
        const char* tick;
        std::function<void(bool)> timer;
        const char* otherTick;
        std::function<void(bool)> other;
    } timers[] = {{"lampTick()", lamp, "settingsRetryTick()", retry},
                  {"serviceSearchTick()", search, "lampTick()", lamp},
                  {"settingsRetryTick()", retry, "lampTick()", lamp}};
    for (const auto& t : timers) {
        SCOPED_TRACE(t.tick);
        events.calls.clear();
        events.afterCall = [&](const std::string& call) {
            if (call == t.tick && events.count(t.tick) == 3) {
                t.timer(false);
                t.timer(false); // stopping twice stops
                t.other(true);
            } else if (call == t.otherTick && events.count(t.otherTick) == 5) {
                t.other(false);
                loop.quitEventLoop();
            }
        };
        t.timer(true);
        t.timer(true); // starting a running timer again changes nothing
        run();
        EXPECT_EQ(events.count(t.tick), 3);
        EXPECT_EQ(events.count(t.otherTick), 5);
    }
}

// Notes left by other threads run their handler on the loop's thread, once
// for all that came before it ran; processEvents() runs what waits and never
// waits itself. A quit ends the loop wherever it comes from, also when it came
// before the loop ran, and the loop runs again afterwards.
TEST_F(PollUiLoopTest, WakesFromOtherThreadsArriveOnTheLoopsThreadAndAQuitEndsTheRun) {
    const struct {
        const char* handler;
        void (PollUiLoop::*note)();
    } notes[] = {{"relayNews()", &PollUiLoop::notifyRelayNews},
                 {"devicesChanged()", &PollUiLoop::notifyDevicesChanged}};
    for (const auto& n : notes) {
        SCOPED_TRACE(n.handler);
        events.calls.clear();
        events.afterCall = [this](const std::string&) { loop.quitEventLoop(); };
        std::thread([&] {
            for (int i = 0; i < 3; ++i) {
                (loop.*n.note)();
            }
        }).join();
        run(); // until the handler quits
        EXPECT_EQ(events.calls, std::vector<std::string>{n.handler});
        EXPECT_EQ(events.lastThread, std::this_thread::get_id());

        std::thread later([&] { (loop.*n.note)(); }); // while the loop waits, or before
        run();
        later.join();
        EXPECT_EQ(events.count(n.handler), 2);

        events.afterCall = nullptr;
        loop.processEvents(); // nothing waits
        (loop.*n.note)();
        loop.processEvents();
        EXPECT_EQ(events.count(n.handler), 3);
    }
    loop.quitEventLoop();
    run(); // returns at once
    std::thread quitter([this] { loop.quitEventLoop(); });
    run();
    quitter.join();
}

// A watched descriptor's handler runs on the loop's thread once there is
// something to read, and again for each new write.
TEST_F(PollUiLoopTest, AWatchedDescriptorIsReadOnTheLoopsThread) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair), 0);
    std::vector<std::thread::id> reads;
    loop.watch(pair[0], [&] {
        char byte = 0;
        while (::read(pair[0], &byte, 1) == 1) {
        }
        reads.push_back(std::this_thread::get_id());
        if (reads.size() == 2) {
            loop.quitEventLoop();
        } else {
            EXPECT_EQ(::write(pair[1], "x", 1), 1); // read at the next turn
        }
    });
    std::thread([&] { EXPECT_EQ(::write(pair[1], "xy", 2), 2); }).join();
    run();
    EXPECT_EQ(reads, std::vector<std::thread::id>(2, std::this_thread::get_id()));
    ::close(pair[0]);
    ::close(pair[1]);
}

} // namespace
} // namespace moxel
