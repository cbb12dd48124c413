#pragma once

#include <array>
#include <cstdint>

#include "relay/NoteTracker.h"

namespace moxel {

// The messages that silence an output, produced one at a time so a backend
// can spread them over several cycles when they do not all fit into one.
// Full: on every channel sustain off (CC 64 = 0), a note-off for each key
// still sounding on it, All Notes Off (CC 123) and All Sound Off (CC 120).
// Release: only on the channels the notes were played on, sustain off and a
// note-off for each note-on still sounding; nothing that would cut notes
// played since.
class ResetSequence {
  public:
    enum class Mode { Full, Release };

    // Starts over; the notes are read as the sequence advances.
    void start(Mode mode = Mode::Full) noexcept {
        mode_ = mode;
        channel_ = 0;
        step_ = 0;
        key_ = 0;
        repeat_ = 0;
    }
    bool done() const noexcept { return channel_ >= 16; }
    // Ends it where it is: nothing more is written.
    void stop() noexcept { channel_ = 16; }

    // The next message, or false when the sequence is complete. Does not
    // advance: call advance() once the message has been written.
    bool peek(const NoteTracker& notes, std::array<std::uint8_t, 3>& message) noexcept;
    void advance() noexcept;

  private:
    void nextChannel() noexcept;
    int noteOffs(const NoteTracker& notes) const noexcept;

    Mode mode_ = Mode::Full;
    int channel_ = 16;
    int step_ = 0; // 0 sustain off, 1 note-offs, 2 all notes off, 3 all sound off
    int key_ = 0;
    int repeat_ = 0; // note-offs already written for key_
};

} // namespace moxel
