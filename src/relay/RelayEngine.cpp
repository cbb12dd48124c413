#include "relay/RelayEngine.h"

#include "relay/ChannelRule.h"

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
    if (size == 0 || bytes[0] < 0x80) {
        return false; // not a MIDI message: never forward garbage
    }
    if (!isChannelStatus(bytes[0])) {
        return true; // system messages and SysEx pass unchanged
    }
    const int inChannel = bytes[0] & 0x0F;
    int position = shared_.channelPosition.load(std::memory_order_relaxed);
    if (shared_.updateInCh.load(std::memory_order_relaxed) != 0) {
        // Follow mode: the message keeps its channel, the list shows it.
        shared_.channelPosition.store(inChannel, std::memory_order_relaxed);
        news_ |= !shared_.channelFollowed.exchange(true, std::memory_order_seq_cst);
        position = inChannel;
    }
    if (source == MessageSource::Input && isNoteOff(bytes, size)) {
        // A note-off goes where its note-on went, even if the channel
        // selection or the mode changed while the note was held.
        const int routed = notes_.routeOf(inChannel, bytes[1]);
        if (routed >= 0) {
            position = routed;
        }
    }
    bytes[0] = withChannel(bytes[0], position);
    return true;
}

void RelayEngine::markSent(std::uint8_t originalStatus, const std::uint8_t* bytes, unsigned size,
                           MessageSource source) noexcept {
    news_ |= !shared_.outputLamp.exchange(true, std::memory_order_seq_cst);
    const int inChannel = (source == MessageSource::Input && isChannelStatus(originalStatus))
                              ? (originalStatus & 0x0F)
                              : -1;
    notes_.recordSent(inChannel, bytes, size);
}

} // namespace moxel
