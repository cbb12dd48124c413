#include "relay/RelayEngine.h"

#include "relay/MidiMessage.h"

namespace moxel {

bool RelayEngine::acceptInput() noexcept {
    if (!shared_.inputOpen.load(std::memory_order_acquire)) {
        return false;
    }
    news_ |= !shared_.inputLamp.exchange(true, std::memory_order_seq_cst);
    return true;
}

bool RelayEngine::prepareOutput(std::uint8_t* bytes, unsigned size, MessageSource source) noexcept {
    if (!shared_.outputOpen.load(std::memory_order_acquire)) {
        return false;
    }
    if (size == 0 || !midi::isStatus(bytes[0])) {
        return false; // not a MIDI message: never forward garbage
    }
    if (!midi::isChannelStatus(bytes[0])) {
        return true; // system messages and SysEx pass unchanged
    }
    const int inChannel = midi::channelOf(bytes[0]);
    int channel = shared_.outputChannel.load(std::memory_order_relaxed);
    if (shared_.followInputChannel.load(std::memory_order_relaxed)) {
        // Follow mode: the message keeps its channel, the list shows it.
        shared_.outputChannel.store(inChannel, std::memory_order_relaxed);
        news_ |= !shared_.channelFollowed.exchange(true, std::memory_order_seq_cst);
        channel = inChannel;
    }
    if (source == MessageSource::Input && midi::isNoteOff(bytes, size)) {
        // A note-off goes where its note-on went, even if the channel
        // selection or the mode changed while the note was held.
        const int routed = notes_.routeOf(inChannel, bytes[1]);
        if (routed >= 0) {
            channel = routed;
        }
    }
    bytes[0] = midi::withChannel(bytes[0], channel);
    return true;
}

void RelayEngine::markSent(std::uint8_t originalStatus, const std::uint8_t* bytes, unsigned size,
                           MessageSource source) noexcept {
    news_ |= !shared_.outputLamp.exchange(true, std::memory_order_seq_cst);
    const int inChannel = (source == MessageSource::Input && midi::isChannelStatus(originalStatus))
                              ? midi::channelOf(originalStatus)
                              : -1;
    notes_.recordSent(inChannel, bytes, size);
}

} // namespace moxel
