#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace moxel {

// A thread of its own that hands news from a MIDI service's threads to the
// UI: relay news from the real-time context (a lamp lit, a channel followed)
// and device news (ports came or went, the service went away). POSIX only. The senders never wait
// for the callbacks: they raise a bit and, when no news was pending, wake this thread.
class ActivityNotifier {
  public:
    enum class News : std::uint32_t { Relay = 1, Devices = 2 };

    ActivityNotifier();
    ~ActivityNotifier();
    ActivityNotifier(const ActivityNotifier&) = delete;
    ActivityNotifier& operator=(const ActivityNotifier&) = delete;

    // Sets (or, with an empty function, removes) the callback for one kind of
    // news. Any thread.
    void setCallback(News kind, std::function<void()> callback);

    // Real-time safe apart from one thing: when no news was pending it calls
    // notify_one, which (libstdc++) makes a futex wake system call only when
    // this thread is parked in wait. The bits stay up until this thread takes
    // them, so a burst of news costs one wake, not one per message.
    void signal(News kind) noexcept {
        if (pending_.fetch_or(static_cast<std::uint32_t>(kind), std::memory_order_acq_rel) == 0) {
            pending_.notify_one();
        }
    }

  private:
    static constexpr std::uint32_t kStop = 0x80000000U;
    void run();

    // 32 bits wide so that wait/notify use the futex directly (no proxy).
    std::atomic<std::uint32_t> pending_{0};
    std::mutex callbackMutex_;
    std::function<void()> relayCallback_;
    std::function<void()> devicesCallback_;
    std::thread thread_;
};

} // namespace moxel
