#include "midi/backends/jack/JackRelayProcess.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <jack/midiport.h>

#include "midi/ShortMessage.h"
#include "midi/backends/jack/ActivityNotifier.h"
#include "midi/backends/jack/JackCycleOrder.h"
#include "midi/backends/jack/RealtimeScope.h"

// Everything in this file runs on JACK's process thread: no allocation, no
// lock, no logging, no system call (the single, bounded exception is the
// notifier wake in ActivityNotifier::signal).

namespace moxel {

int JackRelayProcess::processCallback(jack_nframes_t frames, void* arg) noexcept {
    return static_cast<JackRelayProcess*>(arg)->process(frames);
}

int JackRelayProcess::process(jack_nframes_t frames) noexcept {
    const RealtimeScope realtime;
    jackCallbackBegins();
    const std::uint64_t cycle = cycles_.fetch_add(1, std::memory_order_acq_rel) + 1;

    void* out = jack_port_get_buffer(output_, frames);
    void* in = jack_port_get_buffer(input_, frames);
    jack_midi_clear_buffer(out);

    if (park_.pending()) {
        // The output went away: what sounded there is released when it is
        // back. Nothing sounding leaves the notes parked before as they are.
        const bool some = !engine_.notes().empty();
        if (some) {
            parked_ = engine_.notes();
            engine_.notes().clear();
        }
        parkedSome_.store(some, std::memory_order_relaxed);
        park_.finish(park_.newest(), cycle);
    }
    // JACK wants the events of a buffer in time order: what goes out at frame
    // 0 (a release, the UI's messages, the reset) before the relayed input.
    continueSequence(out, parkedRelease_, releaseActive_, releaseSequence_, parked_,
                     ResetSequence::Mode::Release, cycle);
    sendUiMessages(out);
    continueSequence(out, reset_, resetActive_, resetSequence_, engine_.notes(),
                     ResetSequence::Mode::Full, cycle);
    continueInputRelease(out, cycle);
    relayInput(in, out);

    if (engine_.takeNews()) {
        notifier_.signal(ActivityNotifier::News::Relay);
    }
    jackCallbackEnds();
    return 0;
}

void JackRelayProcess::sendUiMessages(void* out) noexcept {
    std::uint32_t packed = 0;
    while (uiMessages_.tryPop(packed)) {
        std::array<std::uint8_t, 3> bytes{};
        const unsigned size = unpackShortMessage(packed, bytes);
        const std::uint8_t originalStatus = bytes[0];
        if (!engine_.prepareOutput(bytes.data(), size, MessageSource::Ui)) {
            continue;
        }
        jack_midi_data_t* slot = jack_midi_event_reserve(out, 0, size);
        if (slot == nullptr) {
            lostEvents_.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        std::memcpy(slot, bytes.data(), size);
        engine_.markSent(originalStatus, bytes.data(), size, MessageSource::Ui);
    }
}

// Writes a reset or a release: as it is (no channel rule, no lamp, not
// recorded as relayed notes), and what does not fit follows in the next
// cycle. A new ticket starts it over. Once it is complete, those notes are
// silent and are forgotten.
void JackRelayProcess::continueSequence(void* out, RealtimeRequest& job, std::uint64_t& active,
                                        ResetSequence& sequence, NoteTracker& notes,
                                        ResetSequence::Mode mode, std::uint64_t cycle) noexcept {
    if (job.newest() != active) {
        active = job.newest();
        sequence.start(mode);
    }
    if (sequence.done()) {
        return;
    }
    std::array<std::uint8_t, 3> message{};
    while (sequence.peek(notes, message)) {
        jack_midi_data_t* slot = jack_midi_event_reserve(out, 0, message.size());
        if (slot == nullptr) {
            return;
        }
        std::memcpy(slot, message.data(), message.size());
        sequence.advance();
    }
    notes.clear();
    job.finish(active, cycle);
}

void JackRelayProcess::continueInputRelease(void* out, std::uint64_t cycle) noexcept {
    if (!inputRelease_.pending()) {
        return;
    }
    // A note-off for every note the closed input left sounding, on the
    // channel its note-on went to. What does not fit follows next cycle.
    std::array<std::uint8_t, 3> noteOff{};
    int inChannel = 0;
    while (engine_.notes().nextInputRelease(noteOff, inChannel)) {
        jack_midi_data_t* slot = jack_midi_event_reserve(out, 0, noteOff.size());
        if (slot == nullptr) {
            return;
        }
        std::memcpy(slot, noteOff.data(), noteOff.size());
        engine_.notes().recordSent(inChannel, noteOff.data(), noteOff.size());
    }
    inputRelease_.finish(inputRelease_.newest(), cycle);
}

void JackRelayProcess::relayInput(void* in, void* out) noexcept {
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) != 0) {
            continue;
        }
        if (event.size == 0 || event.buffer[0] < 0x80) {
            continue; // not a MIDI message: dropped
        }
        if (!engine_.acceptInput()) {
            continue;
        }
        // The rule rewrites the status byte only; note-off routing also
        // needs the two data bytes, so it gets a copy of the first three.
        std::array<std::uint8_t, 3> head{};
        const auto headSize = static_cast<unsigned>(std::min<std::size_t>(event.size, head.size()));
        std::memcpy(head.data(), event.buffer, headSize);
        const std::uint8_t originalStatus = head[0];
        if (!engine_.prepareOutput(head.data(), headSize, MessageSource::Input)) {
            continue;
        }
        jack_midi_data_t* slot = jack_midi_event_reserve(out, event.time, event.size);
        if (slot == nullptr) {
            lostEvents_.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        std::memcpy(slot, event.buffer, event.size);
        slot[0] = head[0];
        engine_.markSent(originalStatus, head.data(), headSize, MessageSource::Input);
    }
}

} // namespace moxel
