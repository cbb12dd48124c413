#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <type_traits>

namespace moxel {

// A fixed-capacity lock-free queue for exactly one producer thread and one
// consumer thread. Neither side ever blocks, allocates or makes a system
// call, so either side may be a real-time thread. Capacity must be a power of
// two; the ring holds up to Capacity elements.
template <typename T, std::size_t Capacity> class SpscRing {
    static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0,
                  "capacity must be a power of two");
    static_assert(std::is_nothrow_copy_assignable_v<T> &&
                      std::is_nothrow_default_constructible_v<T>,
                  "elements are copied in and out without throwing");

  public:
    static constexpr std::size_t capacity() noexcept { return Capacity; }

    // Producer: appends one element; false when the ring is full.
    bool tryPush(const T& item) noexcept { return tryPushAll(&item, 1); }

    // Producer: appends all count elements or, when they do not all fit,
    // none of them. The consumer sees them appear together.
    bool tryPushAll(const T* items, std::size_t count) noexcept {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t head = head_.load(std::memory_order_acquire);
        if (count > Capacity - (tail - head)) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            slots_[(tail + i) & kMask] = items[i];
        }
        tail_.store(tail + count, std::memory_order_release);
        return true;
    }

    // Consumer: takes the oldest element; false when the ring is empty.
    bool tryPop(T& item) noexcept {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        if (head == tail) {
            return false;
        }
        item = slots_[head & kMask];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Either side: how many elements the ring held a moment ago.
    std::size_t size() const noexcept {
        const std::size_t head = head_.load(std::memory_order_acquire);
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        return tail - head;
    }

  private:
    static constexpr std::size_t kMask = Capacity - 1;

    // The indices only grow (wrapping at the end of size_t, which the mask
    // and the unsigned differences handle); each lives on its own cache line
    // so the two sides do not slow each other down.
    alignas(64) std::atomic<std::size_t> head_{0}; // written by the consumer
    alignas(64) std::atomic<std::size_t> tail_{0}; // written by the producer
    alignas(64) std::array<T, Capacity> slots_{};
};

} // namespace moxel
