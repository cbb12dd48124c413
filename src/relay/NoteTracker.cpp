#include "relay/NoteTracker.h"

#include "relay/MidiMessage.h"

namespace moxel {

void NoteTracker::clear() noexcept {
    route_.fill(-1);
    sounding_.fill(0);
    used_ = 0;
}

bool NoteTracker::nextInputRelease(std::array<std::uint8_t, 3>& noteOff,
                                   int& inChannel) const noexcept {
    for (unsigned i = 0; i < route_.size(); ++i) {
        if (route_[i] >= 0) {
            inChannel = static_cast<int>(i / 128);
            noteOff = midi::noteOff(route_[i], static_cast<int>(i % midi::kKeys));
            return true;
        }
    }
    return false;
}

void NoteTracker::recordSent(int inChannel, const std::uint8_t* out, unsigned size) noexcept {
    if (size < 1 || !midi::isChannelStatus(out[0])) {
        return;
    }
    const int outChannel = midi::channelOf(out[0]);
    used_ = static_cast<std::uint16_t>(used_ | (1U << outChannel));
    std::uint8_t& count = sounding_[index(outChannel, size >= 2 ? out[1] : 0)];
    if (midi::isNoteOn(out, size)) {
        count = static_cast<std::uint8_t>(count < 0xFF ? count + 1 : count);
        if (inChannel >= 0) {
            route_[index(inChannel, out[1])] = static_cast<std::int8_t>(outChannel);
        }
    } else if (midi::isNoteOff(out, size)) {
        count = static_cast<std::uint8_t>(count > 0 ? count - 1 : 0);
        if (inChannel >= 0) {
            route_[index(inChannel, out[1])] = -1;
        }
    } else if (midi::silencesChannel(out, size)) {
        // All Notes Off / All Sound Off: nothing is sounding on that channel.
        for (int key = 0; key < midi::kKeys; ++key) {
            sounding_[index(outChannel, key)] = 0;
        }
        for (auto& r : route_) {
            if (r == outChannel) {
                r = -1;
            }
        }
    }
}

} // namespace moxel
