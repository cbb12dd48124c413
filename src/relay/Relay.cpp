#include "relay/Relay.h"

#include <algorithm>
#include <cstring>

#include "relay/EventParser.h"
#include "relay/MidiMessage.h"

// The real-time side of everything here runs on the backend's real-time
// context: no allocation, no lock, no logging, no system call.

namespace moxel {

namespace {

constexpr std::uint8_t kEnd[] = {midi::kSysexEnd};

} // namespace

bool Relay::queueShort(std::uint32_t packed) noexcept {
    const bool program =
        midi::kindOf(static_cast<std::uint8_t>(packed & 0xFF)) == midi::kProgramChange;
    // Once program changes pile up, only the newest waits: it leaves after
    // those queued before it, and nothing queued later leaves before it.
    if (program && newestProgram_.load(std::memory_order_acquire) != 0) {
        newestProgram_.store(packed, std::memory_order_release);
        return true;
    }
    if (uiMessages_.tryPush(packed)) {
        return true;
    }
    if (program) {
        newestProgram_.store(packed, std::memory_order_release);
    }
    return program;
}

bool Relay::hasWork() const noexcept {
    return uiMessages_.size() > 0 || newestProgram_.load(std::memory_order_acquire) != 0 ||
           std::ranges::any_of(jobs_, [](const RelayRequest& job) { return job.pending(); });
}

void Relay::beginCycle(RelayWriter& out) noexcept {
    const std::uint64_t cycle = cycles_.fetch_add(1, std::memory_order_acq_rel) + 1;
    if (job_(RelayJob::Park).pending()) {
        park(cycle);
    }
    // In time order: what goes out at the start (a release, the UI's
    // messages, the reset) before the relayed input.
    if (cycle >= releaseFrom_.load(std::memory_order_acquire)) {
        continueSequence(out, RelayJob::ReleaseParked, releaseActive_, releaseSequence_, parked_,
                         ResetSequence::Mode::Release, cycle);
    }
    sendUiMessages(out);
    continueSequence(out, RelayJob::Reset, resetActive_, resetSequence_, engine_.notes(),
                     ResetSequence::Mode::Full, cycle);
    continueInputRelease(out, cycle);
}

// The output went away: what sounded there is released when it is back.
// Nothing sounding leaves the notes parked before as they are.
void Relay::park(std::uint64_t cycle) noexcept {
    sysexOpen_ = false;
    const bool some = !engine_.notes().empty();
    if (some) {
        parked_ = engine_.notes();
        engine_.notes().clear();
    }
    parkedSome_.store(some, std::memory_order_relaxed);
    RelayRequest& job = job_(RelayJob::Park);
    job.finish(job.newest(), cycle);
}

void Relay::sendUiMessages(RelayWriter& out) noexcept {
    std::uint32_t packed = 0;
    while (uiMessages_.tryPop(packed)) {
        sendUiMessage(packed, out);
    }
    if (const std::uint32_t program = newestProgram_.exchange(0, std::memory_order_acq_rel)) {
        sendUiMessage(program, out);
    }
}

void Relay::sendUiMessage(std::uint32_t packed, RelayWriter& out) noexcept {
    Message bytes{};
    const std::size_t size = midi::unpack(packed, bytes);
    relayMessage(bytes.data(), size, 0, MessageSource::Ui, out);
}

// Writes a reset or a release as it is (no channel rule, no lamp, not
// recorded as relayed notes); what does not fit follows in the next cycle. A
// new ticket starts it over. Once it is complete, those notes are silent and
// are forgotten.
void Relay::continueSequence(RelayWriter& out, RelayJob job, std::uint64_t& active,
                             ResetSequence& sequence, NoteTracker& notes, ResetSequence::Mode mode,
                             std::uint64_t cycle) noexcept {
    RelayRequest& request = job_(job);
    if (request.newest() != active) {
        active = request.newest();
        sequence.start(mode);
        if (job == RelayJob::Reset) {
            const bool ended = out.resetDevice();
            if (sysexOpen_ && !ended) {
                endSysex(0, out);
            }
            sysexOpen_ = false;
        }
    }
    if (sequence.done()) {
        return;
    }
    Message message{};
    while (sequence.peek(notes, message)) {
        if (!out.write(message.data(), message.size(), 0)) {
            return;
        }
        sequence.advance();
    }
    notes.clear();
    if (job == RelayJob::ReleaseParked) {
        engine_.shared().outputOpen.store(true, std::memory_order_release);
    }
    request.finish(active, cycle);
}

// A note-off for every note the closed input left sounding, on the channel
// its note-on went to; a SysEx it left unfinished is ended first. What does
// not fit follows next cycle.
void Relay::continueInputRelease(RelayWriter& out, std::uint64_t cycle) noexcept {
    RelayRequest& job = job_(RelayJob::ReleaseInput);
    if (!job.pending()) {
        return;
    }
    if (sysexOpen_) {
        endSysex(0, out);
    }
    Message noteOff{};
    int inChannel = 0;
    while (engine_.notes().nextInputRelease(noteOff, inChannel)) {
        if (!out.write(noteOff.data(), noteOff.size(), 0)) {
            return;
        }
        engine_.notes().recordSent(inChannel, noteOff.data(), noteOff.size());
    }
    job.finish(job.newest(), cycle);
}

void Relay::endSysex(std::uint32_t time, RelayWriter& out) noexcept {
    if (!out.write(kEnd, sizeof kEnd, time)) {
        lost_.fetch_add(1, std::memory_order_relaxed);
    }
    sysexOpen_ = false;
}

void Relay::relayInput(const std::uint8_t* bytes, std::size_t size, std::uint32_t time,
                       RelayWriter& out) noexcept {
    const bool sysexBefore = sysexOpen_;
    EventParser parser(bytes, size, sysexOpen_);
    EventPiece piece;
    bool accepted = false;
    while (parser.next(piece)) {
        if (!accepted && !(accepted = engine_.acceptInput())) {
            sysexOpen_ = sysexBefore; // no input open: nothing of it happened
            return;
        }
        switch (piece.kind) {
        case EventPiece::Kind::Message:
            relayMessage(piece.message.data(), piece.size, time, MessageSource::Input, out);
            break;
        case EventPiece::Kind::Sysex:
            relaySysex(piece.bytes, piece.size, time, out);
            break;
        case EventPiece::Kind::EndSysex:
            endSysex(time, out);
            break;
        }
    }
}

// A piece of a SysEx. One that starts a SysEx but cannot be sent takes the
// rest of that SysEx with it: no receiver gets a SysEx without its start.
void Relay::relaySysex(const std::uint8_t* bytes, std::size_t size, std::uint32_t time,
                       RelayWriter& out) noexcept {
    std::uint8_t head = midi::kSysexStart; // the rule leaves SysEx alone; this asks for an output
    bool sent = false;
    if (engine_.prepareOutput(&head, 1, MessageSource::Input)) {
        sent = out.write(bytes, size, time);
        if (sent) {
            engine_.markSent(head, &head, 1, MessageSource::Input);
        } else {
            lost_.fetch_add(1, std::memory_order_relaxed);
        }
    }
    if (!sent && bytes[0] == midi::kSysexStart) {
        sysexOpen_ = false;
    }
}

void Relay::relayMessage(const std::uint8_t* bytes, std::size_t size, std::uint32_t time,
                         MessageSource source, RelayWriter& out) noexcept {
    Message message{};
    std::memcpy(message.data(), bytes, std::min(size, message.size()));
    const std::uint8_t original = message[0];
    if (!engine_.prepareOutput(message.data(), static_cast<unsigned>(size), source)) {
        return;
    }
    if (out.write(message.data(), size, time)) {
        engine_.markSent(original, message.data(), static_cast<unsigned>(size), source);
    } else {
        lost_.fetch_add(1, std::memory_order_relaxed);
    }
}

bool Relay::stopped() noexcept {
    for (RelayRequest& job : jobs_) {
        job.finish(job.newest(), cycles());
    }
    std::uint32_t packed = 0;
    while (uiMessages_.tryPop(packed)) {
    }
    newestProgram_.store(0, std::memory_order_relaxed);
    resetActive_ = job_(RelayJob::Reset).newest();
    releaseActive_ = job_(RelayJob::ReleaseParked).newest();
    resetSequence_.stop();
    releaseSequence_.stop();
    sysexOpen_ = false;
    const bool some = !engine_.notes().empty();
    if (some) {
        parked_ = engine_.notes();
        engine_.notes().clear();
    }
    return some;
}

} // namespace moxel
