#pragma once

#include <atomic>
#include <cstdint>

#include <jack/jack.h>

#include "midi/backends/jack/RealtimeRequest.h"
#include "relay/NoteTracker.h"
#include "relay/RelayEngine.h"
#include "relay/ResetSequence.h"
#include "relay/SpscRing.h"

namespace moxel {

class ActivityNotifier;
class RelayShared;

// The real-time half of the JACK backend: everything the process callback
// touches. One per JACK client. process() runs on JACK's process thread; the
// members marked "UI side" are called from the UI thread and only exchange
// lock-free atomics, ring entries and tickets with it.
class JackRelayProcess {
  public:
    // parked: where the notes of an output that went away are kept; it
    // outlives this object (a server that goes takes the process with it).
    JackRelayProcess(RelayShared& shared, ActivityNotifier& notifier,
                     std::atomic<std::uint64_t>& lostEvents, NoteTracker& parked) noexcept
        : engine_(shared), notifier_(notifier), lostEvents_(lostEvents), parked_(parked) {}

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

    // UI side, each a job with a ticket (see RealtimeRequest):
    // the reset of the output (heard: written whole and read);
    RealtimeRequest& reset() noexcept { return reset_; }
    // the release of the notes the closed input left sounding;
    RealtimeRequest& inputRelease() noexcept { return inputRelease_; }
    // moving the notes that sound on the output aside into `parked` (the
    // output went away: they are released when it is back);
    RealtimeRequest& park() noexcept { return park_; }
    // the release of the parked notes, before anything else goes out (heard:
    // written whole and read).
    RealtimeRequest& parkedRelease() noexcept { return parkedRelease_; }

    // UI side, after a park job: whether it moved any notes aside.
    bool parkedSome() const noexcept { return parkedSome_.load(std::memory_order_acquire); }

    // Number of cycles begun so far; counted at the start of each cycle.
    std::uint64_t cycles() const noexcept { return cycles_.load(std::memory_order_acquire); }

    // Once the process thread has stopped for good: the notes still sounding.
    const NoteTracker& notesAfterStop() noexcept { return engine_.notes(); }

  private:
    int process(jack_nframes_t frames) noexcept;
    void sendUiMessages(void* out) noexcept;
    void continueSequence(void* out, RealtimeRequest& job, std::uint64_t& active,
                          ResetSequence& sequence, NoteTracker& notes, ResetSequence::Mode mode,
                          std::uint64_t cycle) noexcept;
    void continueInputRelease(void* out, std::uint64_t cycle) noexcept;
    void relayInput(void* in, void* out) noexcept;

    static constexpr std::size_t kUiRingSize = 256;

    RelayEngine engine_; // real-time thread only
    ActivityNotifier& notifier_;
    std::atomic<std::uint64_t>& lostEvents_;
    NoteTracker& parked_;
    jack_port_t* input_ = nullptr;
    jack_port_t* output_ = nullptr;

    SpscRing<std::uint32_t, kUiRingSize> uiMessages_;
    std::atomic<std::uint64_t> cycles_{0};
    std::atomic<bool> parkedSome_{false};
    RealtimeRequest reset_, inputRelease_, park_, parkedRelease_;
    // Real-time thread only: the sequences being written and their tickets.
    ResetSequence resetSequence_, releaseSequence_;
    std::uint64_t resetActive_ = 0, releaseActive_ = 0;
};

} // namespace moxel
