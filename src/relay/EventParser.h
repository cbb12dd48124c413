#pragma once

#include <cstddef>
#include <cstdint>

#include "relay/MidiMessage.h"

namespace moxel {

// One piece of an event, as the relay sends it on.
struct EventPiece {
    enum class Kind {
        Message,  // a complete short message (1 to 3 bytes in `message`)
        Sysex,    // part of a SysEx: bytes..bytes+size, from F0 or going on from
                  // before, up to its F7 or as far as this event holds it
        EndSysex, // the SysEx on its way was cut by another status byte here:
                  // an F7 of the relay's own must end it
    };
    Kind kind = Kind::Message;
    midi::ShortMessage message{};
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
};

// Reads one event that arrived (a JACK event, an ALSA sequencer event, a winmm
// message or buffer) as a MIDI byte stream and yields what is in it, in
// order:
// - real-time bytes (F8..FF) may stand anywhere, SysEx and other messages
//   included, and each is a message of its own;
// - every complete message is one piece; within the event, data bytes after
//   a complete channel message repeat its status (running status);
// - a message cut by another status byte or by the end of the event is
//   dropped, as are data bytes that belong to no message and an F7 that ends
//   no SysEx;
// - a SysEx leaves in pieces as it comes. An event that starts with data
//   bytes (or F7) while a SysEx is on its way goes on with that SysEx; an
//   event that starts with any other message leaves the SysEx open, so a
//   short message that a merge put between two chunks passes as it is. A
//   new F0 ends the SysEx before it, and so does a status byte that cuts
//   into the SysEx's own bytes within one event.
//
// `sysexOpen` is the caller's: whether a SysEx is on its way to the output.
// The parser keeps it up to date piece by piece; a caller that could not send
// a SysEx's start sets it to false, and what would have continued that SysEx
// is then dropped. Real-time safe: no allocation, bounded by the event size.
class EventParser {
  public:
    EventParser(const std::uint8_t* bytes, std::size_t size, bool& sysexOpen) noexcept
        : bytes_(bytes), size_(size), sysexOpen_(sysexOpen),
          inSysex_(sysexOpen && size > 0 &&
                   (!midi::isStatus(bytes[0]) || bytes[0] == midi::kSysexEnd)) {}

    // The next piece; false at the end of the event.
    bool next(EventPiece& piece) noexcept;

  private:
    bool sysexPiece(std::size_t begin, EventPiece& piece) noexcept;
    bool statusByte(std::uint8_t byte, EventPiece& piece) noexcept;
    bool dataByte(std::uint8_t byte, EventPiece& piece) noexcept;

    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool& sysexOpen_;
    bool inSysex_;              // the bytes at at_ are a SysEx's own
    std::uint8_t status_ = 0;   // the message being read, or the running status
    midi::ShortMessage data_{}; // its bytes so far
    std::size_t have_ = 0;      // how many of them
};

} // namespace moxel
