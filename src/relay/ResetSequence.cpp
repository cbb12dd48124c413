#include "relay/ResetSequence.h"

#include <algorithm>

#include "relay/MidiMessage.h"

namespace moxel {

bool ResetSequence::peek(const NoteTracker& notes, std::array<std::uint8_t, 3>& message) noexcept {
    while (channel_ < 16) {
        if (mode_ == Mode::Release && step_ == 0 && !notes.used(channel_)) {
            ++channel_; // a channel the notes were not played on
            continue;
        }
        switch (step_) {
        case 0:
            message = midi::controlChange(channel_, midi::kSustain, 0);
            return true;
        case 1:
            while (key_ < 128 && repeat_ >= noteOffs(notes)) {
                ++key_;
                repeat_ = 0;
            }
            if (key_ < 128) {
                message = midi::noteOff(channel_, key_);
                return true;
            }
            if (mode_ == Mode::Release) {
                nextChannel();
                break;
            }
            step_ = 2;
            break;
        case 2:
            message = midi::controlChange(channel_, midi::kAllNotesOff, 0);
            return true;
        default:
            message = midi::controlChange(channel_, midi::kAllSoundOff, 0);
            return true;
        }
    }
    return false;
}

// A reset sends one note-off per sounding key, however often it was struck:
// All Notes Off and All Sound Off follow, and a receiver's queue must take
// the whole reset. A release, which has nothing after it, sends as many as
// the notes' own note-offs would have been.
int ResetSequence::noteOffs(const NoteTracker& notes) const noexcept {
    const int sounding = notes.sounding(channel_, key_);
    return mode_ == Mode::Full ? std::min(sounding, 1) : sounding;
}

void ResetSequence::advance() noexcept {
    if (channel_ >= 16) {
        return;
    }
    if (step_ == 1) {
        ++repeat_; // one note-off of key_ was written
    } else if (step_ == 3) {
        nextChannel();
    } else {
        ++step_;
    }
}

void ResetSequence::nextChannel() noexcept {
    ++channel_;
    step_ = 0;
    key_ = 0;
    repeat_ = 0;
}

} // namespace moxel
