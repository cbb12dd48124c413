#pragma once

#include <atomic>
#include <cstdint>

#include <jack/jack.h>

#include "relay/RelayEngine.h"
#include "relay/ResetSequence.h"
#include "relay/SpscRing.h"

namespace moxel {

class ActivityNotifier;
class RelayShared;

// The real-time half of the JACK backend: everything the process callback
// touches. One per JACK client. process() runs on JACK's process thread; the
// members marked "UI side" are called from the UI thread and only exchange
// lock-free atomics and ring entries with it.
class JackRelayProcess {
  public:
    JackRelayProcess(RelayShared& shared, ActivityNotifier& notifier,
                     std::atomic<std::uint64_t>& lostEvents) noexcept
        : engine_(shared), notifier_(notifier), lostEvents_(lostEvents) {}

    // Before the client is activated.
    void setPorts(jack_port_t* input, jack_port_t* output) noexcept {
        input_ = input;
        output_ = output;
    }

    // JACK process callback (arg: the JackRelayProcess).
    static int processCallback(jack_nframes_t frames, void* arg) noexcept;

    // UI side: queues a packed short message for the next cycle. False when
    // the ring is full.
    bool queueShort(std::uint32_t packed) noexcept { return uiMessages_.tryPush(packed); }

    // UI side: asks the callback to emit the reset sequence; returns a ticket
    // for resetFinished().
    std::uint64_t requestReset() noexcept {
        return resetRequested_.fetch_add(1, std::memory_order_acq_rel) + 1;
    }

    // UI side: the reset of that ticket (or a later one) has been written
    // completely and a cycle has begun since, so the destinations have read it.
    bool resetFinished(std::uint64_t ticket) const noexcept {
        if (resetDone_.load(std::memory_order_acquire) < ticket) {
            return false;
        }
        return cycles_.load(std::memory_order_acquire) >
               resetDoneCycle_.load(std::memory_order_acquire);
    }

    // UI side: asks the callback to release the notes the input left
    // sounding (after the input was disconnected); a ticket for
    // releaseFinished().
    std::uint64_t requestRelease() noexcept {
        return releaseRequested_.fetch_add(1, std::memory_order_acq_rel) + 1;
    }
    bool releaseFinished(std::uint64_t ticket) const noexcept {
        return releaseDone_.load(std::memory_order_acquire) >= ticket;
    }

    // Number of cycles begun so far; counted at the start of each cycle.
    std::uint64_t cycles() const noexcept { return cycles_.load(std::memory_order_acquire); }

  private:
    int process(jack_nframes_t frames) noexcept;
    void sendUiMessages(void* out) noexcept;
    void continueReset(void* out, std::uint64_t cycle) noexcept;
    void continueRelease(void* out) noexcept;
    void relayInput(void* in, void* out) noexcept;

    static constexpr std::size_t kUiRingSize = 256;

    RelayEngine engine_;            // real-time thread only
    ResetSequence reset_;           // real-time thread only
    std::uint64_t resetActive_ = 0; // ticket being written; real-time thread only
    ActivityNotifier& notifier_;
    std::atomic<std::uint64_t>& lostEvents_;
    jack_port_t* input_ = nullptr;
    jack_port_t* output_ = nullptr;

    SpscRing<std::uint32_t, kUiRingSize> uiMessages_;
    std::atomic<std::uint64_t> cycles_{0};
    std::atomic<std::uint64_t> resetRequested_{0};
    std::atomic<std::uint64_t> resetDone_{0};
    std::atomic<std::uint64_t> resetDoneCycle_{0};
    std::atomic<std::uint64_t> releaseRequested_{0};
    std::atomic<std::uint64_t> releaseDone_{0};

    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
};

} // namespace moxel
