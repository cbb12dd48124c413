#pragma once

#include <atomic>
#include <cstdint>

namespace moxel {

// A job the UI thread hands to the relay's real-time context, with tickets: the UI
// takes a ticket and waits until the relay has marked it (or a later one)
// done. Only lock-free atomics; the relay never waits.
class RelayRequest {
  public:
    // UI side: asks for the job; returns the ticket to wait for.
    std::uint64_t request() noexcept {
        return requested_.fetch_add(1, std::memory_order_acq_rel) + 1;
    }
    // UI side: the job of that ticket (or a later one) is done.
    bool done(std::uint64_t ticket) const noexcept {
        return done_.load(std::memory_order_acquire) >= ticket;
    }
    // UI side: done, and a cycle has begun since, so the destinations have
    // read what it wrote.
    bool heard(std::uint64_t ticket, std::uint64_t cycles) const noexcept {
        return done(ticket) && cycles > doneCycle_.load(std::memory_order_acquire);
    }

    // Real-time side: the newest ticket asked for (0 when none ever was).
    std::uint64_t newest() const noexcept { return requested_.load(std::memory_order_acquire); }
    bool pending() const noexcept { return done_.load(std::memory_order_relaxed) != newest(); }
    // Real-time side: the job of that ticket is done, in that cycle.
    void finish(std::uint64_t ticket, std::uint64_t cycle) noexcept {
        doneCycle_.store(cycle, std::memory_order_release);
        done_.store(ticket, std::memory_order_release);
    }

  private:
    std::atomic<std::uint64_t> requested_{0};
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> doneCycle_{0};
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
};

} // namespace moxel
