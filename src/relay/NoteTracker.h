#pragma once

#include <array>
#include <cstdint>

namespace moxel {

// Which notes the relay has sent a note-on for and no note-off yet, per
// output channel (counted: two note-ons of one key from two input channels
// need two note-offs), which output channels it has used, and to which output
// channel each input note went, so that its note-off follows it there even if
// the channel selection or the mode changed in between. Fixed size, copyable;
// safe for the real-time thread.
class NoteTracker {
  public:
    NoteTracker() noexcept { clear(); }

    void clear() noexcept;

    // The output channel a note-off for (input channel, key) must go to, or -1
    // when no note-on of that input note is sounding.
    int routeOf(int inChannel, int key) const noexcept { return route_[index(inChannel, key)]; }

    // Record a message as sent: inChannel is the channel it arrived on (or -1
    // for the UI's own messages), out the bytes that left.
    void recordSent(int inChannel, const std::uint8_t* out, unsigned size) noexcept;

    // The note-off that releases one note the input left sounding (the
    // lowest input channel and key first), or false when there is none.
    // Recording it as sent removes the note.
    bool nextInputRelease(std::array<std::uint8_t, 3>& noteOff, int& inChannel) const noexcept;

    // How many note-ons of that key sound on that output channel.
    int sounding(int outChannel, int key) const noexcept {
        return sounding_[index(outChannel, key)];
    }
    // Whether a channel message went out on that channel since the last clear.
    bool used(int outChannel) const noexcept { return (used_ >> (outChannel & 0x0F)) & 1U; }
    // Nothing sounds and no channel was used.
    bool empty() const noexcept { return used_ == 0; }

  private:
    static constexpr unsigned index(int channel, int key) noexcept {
        return static_cast<unsigned>((channel & 0x0F) * 128 + (key & 0x7F));
    }
    std::array<std::int8_t, 16 * 128> route_{};
    std::array<std::uint8_t, 16 * 128> sounding_{};
    std::uint16_t used_ = 0;
};

} // namespace moxel
