#pragma once

// Windows only.

#include <atomic>

#include <windows.h>

namespace moxel::midi {

// Wakes the relay thread when work arrives, with at most one system call per
// time the thread parks: producers wake it only when the thread said it is
// about to wait, so a burst of messages costs one wake. The wait is on an
// address (WaitOnAddress), which needs no kernel object: on Windows the
// cheapest wake there is, and under Wine one that does not go through the
// Wine server. Any number of producers; one waiting thread.
class RelayWake {
  public:
    // Producers, after publishing their work (a ring push, a flag).
    void signal() noexcept {
        // Orders the producer's publication before its look at parked_, as
        // park() orders parked_ before its look at the work: one of the two
        // sides always sees the other.
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (parked_.exchange(false, std::memory_order_acq_rel)) {
            wakes_.fetch_add(1, std::memory_order_release);
            WakeByAddressSingle(&wakes_);
        }
    }

    // The relay thread: waits unless hasWork() finds something once parked_
    // is raised. A wake counted before the wait begins ends it at once.
    template <typename HasWork> void park(HasWork hasWork) noexcept {
        LONG seen = wakes_.load(std::memory_order_acquire);
        parked_.store(true, std::memory_order_seq_cst);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (hasWork()) {
            parked_.store(false, std::memory_order_relaxed);
            return;
        }
        while (wakes_.load(std::memory_order_acquire) == seen) {
            WaitOnAddress(&wakes_, &seen, sizeof seen, INFINITE);
        }
    }

  private:
    std::atomic<LONG> wakes_{0};
    std::atomic<bool> parked_{false};
    static_assert(sizeof(std::atomic<LONG>) == sizeof(LONG));
};

} // namespace moxel::midi
