#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "midi/NewsCallbacks.h"

namespace moxel::midi {

// A thread of its own that hands news from a MIDI service's threads to the
// UI's callbacks, for a real-time context that may not call out itself: relay
// news (a lamp lit, a channel followed) and device news (ports came or went,
// the service went away). POSIX only. The senders never wait for the
// callbacks: they raise a bit and, when no news was pending, wake this thread.
// It keeps the callbacks it tells, so a thread of the service's that outlives
// the backend still reaches them (and tells nobody once they are removed).
class NewsThread {
  public:
    explicit NewsThread(std::shared_ptr<NewsCallbacks> callbacks);
    ~NewsThread();
    NewsThread(const NewsThread&) = delete;
    NewsThread& operator=(const NewsThread&) = delete;

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

    std::shared_ptr<NewsCallbacks> callbacks_;
    // 32 bits wide so that wait/notify use the futex directly (no proxy).
    std::atomic<std::uint32_t> pending_{0};
    std::thread thread_;
};

} // namespace moxel::midi
