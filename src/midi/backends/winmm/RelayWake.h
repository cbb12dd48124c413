#pragma once

// Windows only.

#include <atomic>

#include <windows.h>

namespace moxel {

// Wakes the relay thread when work arrives, with at most one system call
// (SetEvent) per time the thread parks: producers raise the event only when
// the thread said it is about to wait, so a burst of messages costs one wake.
// Any number of producers; one waiting thread.
class RelayWake {
  public:
    RelayWake() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~RelayWake() { CloseHandle(event_); }
    RelayWake(const RelayWake&) = delete;
    RelayWake& operator=(const RelayWake&) = delete;

    // Producers, after publishing their work (a ring push, a flag).
    void signal() noexcept {
        // Orders the producer's publication before its look at parked_, as
        // park() orders parked_ before its look at the work: one of the two
        // sides always sees the other.
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (parked_.exchange(false, std::memory_order_acq_rel)) {
            SetEvent(event_);
        }
    }

    // The relay thread: waits unless hasWork() finds something once parked_
    // is raised. A leftover wake only costs one empty turn.
    template <typename HasWork> void park(HasWork hasWork) noexcept {
        parked_.store(true, std::memory_order_seq_cst);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (hasWork()) {
            parked_.store(false, std::memory_order_relaxed);
            return;
        }
        WaitForSingleObject(event_, INFINITE);
    }

  private:
    HANDLE event_;
    std::atomic<bool> parked_{false};
};

} // namespace moxel
