#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <vector>

#include <poll.h>

#include "app/window/MainWindowEvents.h"
#include "app/window/UiLoop.h"

namespace moxel {

// The UI thread's event loop without a toolkit (Linux): one poll over a
// timer descriptor per timer (timerfd) and one wake that other threads
// write to (eventfd). The thread that runs it runs every handler. A stopped
// timer ticks no more, even when it was due while a handler ran.
class PollUiLoop final : public UiLoop {
  public:
    // The intervals of the service search and the settings retries (tests
    // shorten them). Throws std::system_error when the system gives no timer
    // or wake.
    explicit PollUiLoop(std::chrono::milliseconds serviceSearch = kServiceSearchInterval,
                        std::chrono::milliseconds settingsRetry = kSettingsRetryInterval);
    ~PollUiLoop() override;
    PollUiLoop(const PollUiLoop&) = delete;
    PollUiLoop& operator=(const PollUiLoop&) = delete;

    // The handlers to call; null calls nothing.
    void setEvents(MainWindowEvents* events) { events_ = events; }
    // From now on ready() runs on the loop's thread whenever the descriptor
    // can be read (a signal's socket, a listening socket); it must take what
    // is there.
    void watch(int fd, std::function<void()> ready);

    void processEvents() override;
    // Returns at once when quitEventLoop() came before it.
    void runEventLoop() override;
    // May be called from any thread.
    void quitEventLoop() override;
    void setLampTimer(std::chrono::milliseconds interval) override;
    void setServiceSearchActive(bool active) override;
    void setSettingsRetryActive(bool active) override;
    void notifyRelayNews() override;
    void notifyDevicesChanged() override;

  private:
    enum Timer { Lamp, ServiceSearch, SettingsRetry, kTimers };

    // Waits at most timeout (-1: for ever, 0: not at all) and runs what is due.
    void turn(int timeoutMs);
    // Ticks every interval from now on; zero stops it.
    void setTimer(Timer timer, std::chrono::milliseconds interval);
    void runWhile(Timer timer, bool active, std::chrono::milliseconds interval);
    void note(std::atomic<bool>& pending);
    void wake();
    void closeAll();

    MainWindowEvents* events_ = nullptr;
    std::vector<std::function<void()>> watched_; // by descriptor, after the timers and the wake
    std::vector<pollfd> fds_;                    // the timers, the wake, the watched descriptors
    std::chrono::milliseconds serviceSearch_;
    std::chrono::milliseconds settingsRetry_;
    std::array<int, kTimers> timers_{-1, -1, -1};
    std::array<bool, kTimers> running_{};
    int wake_ = -1;
    std::atomic<bool> relayNote_{false};
    std::atomic<bool> devicesNote_{false};
    std::atomic<bool> quit_{false};
};

} // namespace moxel
