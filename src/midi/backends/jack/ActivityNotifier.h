#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace moxel {

// A thread of its own that calls the activity callback whenever the real-time
// side signals news. The real-time side never waits for the callback: it only
// raises a pending flag and, when the flag was down, wakes this thread.
class ActivityNotifier {
  public:
    ActivityNotifier();
    ~ActivityNotifier();
    ActivityNotifier(const ActivityNotifier&) = delete;
    ActivityNotifier& operator=(const ActivityNotifier&) = delete;

    // Sets (or, with an empty function, removes) the callback. Any thread.
    void setCallback(std::function<void()> callback);

    // Real-time safe apart from one thing: on the transition of the pending
    // flag from down to up it calls notify_one, which (libstdc++) makes a
    // futex wake system call only when this thread is parked in wait. The
    // flag stays up until this thread takes it, so a burst of news costs one
    // wake, not one per message.
    void signal() noexcept {
        if (pending_.exchange(1, std::memory_order_acq_rel) == 0) {
            pending_.notify_one();
        }
    }

  private:
    void run();

    // 32 bits wide so that wait/notify use the futex directly (no proxy).
    std::atomic<std::uint32_t> pending_{0};
    std::atomic<bool> stopping_{false};
    std::mutex callbackMutex_;
    std::function<void()> callback_;
    std::thread thread_;
};

} // namespace moxel
