#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "relay/MidiMessage.h"
#include "relay/NoteTracker.h"
#include "relay/RelayEngine.h"
#include "relay/RelayRequest.h"
#include "relay/ResetSequence.h"
#include "relay/SpscRing.h"

namespace moxel {

// Where the relay writes: the output of a backend, for one cycle (JACK) or
// one wake-up of its relay thread (the others).
class RelayWriter {
  public:
    // Writes one message, or one chunk of a SysEx, to leave at `time` (frames
    // into the cycle where the service has cycles, else 0; never earlier than
    // the write before it). False when it cannot take it now.
    virtual bool write(const std::uint8_t* bytes, std::size_t size,
                       std::uint32_t time) noexcept = 0;
    // Runs first when the relay silences the output: a service with a reset
    // of its own uses it here. True when that reset also ended a SysEx on
    // its way out.
    virtual bool resetDevice() noexcept { return false; }

  protected:
    ~RelayWriter() = default;
};

// What the UI thread asks of the relay besides its own messages.
enum class RelayJob : std::uint8_t {
    Reset,         // silence the output: sustain off, a note-off for each note
                   // sounding, All Notes Off and All Sound Off on every channel
    ReleaseInput,  // a note-off for every note the closed input left sounding
    Park,          // the output went away: keep what sounds on it aside
    ReleaseParked, // on the output open now, release what was kept aside (see
                   // releaseParkedFrom)
};

// The relay: everything between what arrives on the input and what leaves
// on the output, the same for every backend. Driven by the backend's
// real-time context, once per cycle or wake-up:
//
//   relay.beginCycle(writer);            // the relay's own messages first
//   for each event that arrived:
//       relay.relayInput(bytes, size, time, writer);
//   if (relay.endCycle()) wake the UI;   // lamps, a followed channel
//
// It applies the channel rule and lights the lamps (RelayEngine), keeps
// track of the notes sounding, writes the reset and the releases (spread over
// cycles when the output cannot take them at once), keeps the notes of an
// output that went away until a device of its name is back, takes the UI's
// program changes through a lock-free ring, and passes SysEx whole however it
// is cut into chunks.
//
// Each event is read as MIDI (EventParser): every complete message in it
// leaves as a message of its own, with the channel rule; real-time bytes
// leave where they stand; a message cut short is dropped (a receiver would
// take the next message's bytes for its data). Undefined system statuses
// (F4, F5, F9, FD) pass as single bytes.
//
// SysEx: a SysEx leaves chunk by chunk as it arrives, each at the time it
// came. Other messages that arrive between its chunks (two sources merged on
// the input) and the UI's messages pass as messages of their own and leave
// it open; a new F0 ends it with an F7 first, as do the reset and the
// release of a closed input.
//
// Real-time side (beginCycle, relayInput, endCycle): no allocation, lock,
// system call or unbounded loop. UI side: lock-free atomics and the ring.
class Relay {
  public:
    // When the relay's writes reach the device: in the next cycle (JACK: a
    // job is heard once a cycle has begun after the one that wrote it), or
    // as they are written.
    enum class Delivery { NextCycle, OnWrite };

    Relay(RelayShared& shared, Delivery delivery) noexcept : engine_(shared), delivery_(delivery) {}
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    // Real-time side.
    void beginCycle(RelayWriter& out) noexcept;
    void relayInput(const std::uint8_t* bytes, std::size_t size, std::uint32_t time,
                    RelayWriter& out) noexcept;
    // True when the UI must be woken for news (see RelayEngine::takeNews).
    bool endCycle() noexcept { return engine_.takeNews(); }

    // UI side: queues a packed short message; false when the ring is full.
    // Program changes are never refused: when the ring is full only the
    // newest of them waits, so the output ends on the program the window
    // shows however long the relay could not send.
    bool queueShort(std::uint32_t packed) noexcept;
    // UI side: asks for a job; returns its ticket.
    std::uint64_t request(RelayJob job) noexcept { return job_(job).request(); }
    // UI side: the release of the notes kept aside, from that cycle on (once
    // the output's connection holds); when it is written the relay lets the
    // output have its messages (RelayShared::outputOpen), in that same cycle,
    // so nothing played meanwhile is lost nor lands before the release.
    std::uint64_t releaseParkedFrom(std::uint64_t cycle) noexcept {
        releaseFrom_.store(cycle, std::memory_order_release);
        return request(RelayJob::ReleaseParked);
    }
    bool done(RelayJob job, std::uint64_t ticket) const noexcept { return job_(job).done(ticket); }
    // Done, and what it wrote has reached the device.
    bool heard(RelayJob job, std::uint64_t ticket) const noexcept {
        return delivery_ == Delivery::OnWrite ? done(job, ticket)
                                              : job_(job).heard(ticket, cycles());
    }
    // After a Park job: whether it kept any notes aside.
    bool parkedSome() const noexcept { return parkedSome_.load(std::memory_order_acquire); }
    // UI messages or jobs are waiting: a woken context has work.
    bool hasWork() const noexcept;
    // Cycles begun so far.
    std::uint64_t cycles() const noexcept { return cycles_.load(std::memory_order_acquire); }
    // Relayed messages that the output could not take.
    std::uint64_t lostEvents() const noexcept { return lost_.load(std::memory_order_relaxed); }
    // Messages the backend lost on their way to the relay (any thread).
    void countLost(std::uint64_t count = 1) noexcept {
        lost_.fetch_add(count, std::memory_order_relaxed);
    }

    // UI side, once the real-time context has stopped for good (its service
    // went away) and before another one starts: the jobs and messages still
    // waiting are dropped, and the notes that sound are kept aside. True
    // when any did.
    bool stopped() noexcept;

    const NoteTracker& notes() const noexcept { return engine_.notes(); }

  private:
    using Message = midi::ShortMessage;

    RelayRequest& job_(RelayJob job) noexcept { return jobs_[static_cast<std::size_t>(job)]; }
    const RelayRequest& job_(RelayJob job) const noexcept {
        return jobs_[static_cast<std::size_t>(job)];
    }
    void park(std::uint64_t cycle) noexcept;
    void sendUiMessages(RelayWriter& out) noexcept;
    void sendUiMessage(std::uint32_t packed, RelayWriter& out) noexcept;
    void continueSequence(RelayWriter& out, RelayJob job, std::uint64_t& active,
                          ResetSequence& sequence, NoteTracker& notes, ResetSequence::Mode mode,
                          std::uint64_t cycle) noexcept;
    void continueInputRelease(RelayWriter& out, std::uint64_t cycle) noexcept;
    void relaySysex(const std::uint8_t* bytes, std::size_t size, std::uint32_t time,
                    RelayWriter& out) noexcept;
    void relayMessage(const std::uint8_t* bytes, std::size_t size, std::uint32_t time,
                      MessageSource source, RelayWriter& out) noexcept;
    void endSysex(std::uint32_t time, RelayWriter& out) noexcept;

    static constexpr std::size_t kUiRingSize = 256;

    RelayEngine engine_;
    const Delivery delivery_;
    SpscRing<std::uint32_t, kUiRingSize> uiMessages_;
    std::atomic<std::uint32_t> newestProgram_{0}; // a program change waiting, 0 for none
    std::array<RelayRequest, 4> jobs_;
    std::atomic<std::uint64_t> cycles_{0};
    std::atomic<bool> parkedSome_{false};
    std::atomic<std::uint64_t> lost_{0};
    std::atomic<std::uint64_t> releaseFrom_{0};

    // Real-time side only.
    NoteTracker parked_; // what sounded on an output that went away
    ResetSequence resetSequence_, releaseSequence_;
    std::uint64_t resetActive_ = 0, releaseActive_ = 0; // the tickets being written
    bool sysexOpen_ = false; // a SysEx is on its way to the output, its end still to come
};

} // namespace moxel
