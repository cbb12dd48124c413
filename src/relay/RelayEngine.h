#pragma once

// relay/ is Moxel's real-time core: everything here may run on the MIDI
// service's real-time context (the JACK process callback, a relay thread).
//
//   Relay          the relay as a backend drives it, cycle by cycle
//   RelayEngine    the relay rule: open checks, channel rule, lamps, notes
//   NoteTracker    which notes sound, and where each note-off must go
//   ResetSequence  the messages that silence an output, one at a time
//   RelayRequest   a job the UI asks of the relay, with tickets
//   SpscRing       the lock-free queue from the UI thread to the relay
//   RelayShared    the atomics the UI thread and the relay share
//   MidiMessage    status bytes, controllers, message lengths
//
// Rules for all of it: no allocation, no lock, no logging, no I/O, no system
// call, no exception, and bounded loops; fixed-size state only. The UI side
// of RelayShared and SpscRing never waits for the relay, nor the relay for it.

#include <cstdint>

#include "relay/NoteTracker.h"
#include "relay/RelayShared.h"

namespace moxel {

// Where a message handed to the relay came from.
enum class MessageSource { Input, Ui };

// The relay rule, run by the backend for every message on its way out:
// checks that an input/output is open, applies the channel rule, lights the
// lamps and keeps track of sounding notes. Real-time safe: no allocation, no
// lock, no system call.
class RelayEngine {
  public:
    explicit RelayEngine(RelayShared& shared) noexcept : shared_(shared) {}

    // A message arrived on the input port. False when no input is open, in
    // which case it must not be relayed. Lights the input lamp otherwise.
    bool acceptInput() noexcept;

    // Applies the channel rule to the message in place. False when nothing
    // must be sent: no output open, or not a MIDI message at all (empty, or
    // not starting with a status byte).
    bool prepareOutput(std::uint8_t* bytes, unsigned size, MessageSource source) noexcept;

    // The backend wrote the prepared message: lights the output lamp and
    // records note state. originalStatus is the status byte before the rule.
    void markSent(std::uint8_t originalStatus, const std::uint8_t* bytes, unsigned size,
                  MessageSource source) noexcept;

    // True when the UI must be woken: since the last call a lamp or the
    // followed-channel flag in RelayShared went from false to true, and the
    // UI is not reading them by itself (RelayShared::uiReadsNews). The UI
    // takes those flags with exchange(false), which arms them again, so at
    // most one wake per flag is asked for per drain. Called on the relay's
    // own thread only.
    bool takeNews() noexcept {
        const bool news = news_;
        news_ = false;
        return news && !shared_.uiReadsNews.load(std::memory_order_seq_cst);
    }

    NoteTracker& notes() noexcept { return notes_; }
    const NoteTracker& notes() const noexcept { return notes_; }
    RelayShared& shared() noexcept { return shared_; }

  private:
    RelayShared& shared_;
    NoteTracker notes_;
    bool news_ = false;
};

} // namespace moxel
