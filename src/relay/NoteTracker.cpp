#include "relay/NoteTracker.h"

#include "relay/ChannelRule.h"

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
            noteOff = {static_cast<std::uint8_t>(0x80 | route_[i]),
                       static_cast<std::uint8_t>(i % 128), 0};
            return true;
        }
    }
    return false;
}

void NoteTracker::recordSent(int inChannel, const std::uint8_t* out, unsigned size) noexcept {
    if (size < 1 || !isChannelStatus(out[0])) {
        return;
    }
    const int outChannel = out[0] & 0x0F;
    const std::uint8_t kind = out[0] & 0xF0;
    used_ = static_cast<std::uint16_t>(used_ | (1U << outChannel));
    std::uint8_t& count = sounding_[index(outChannel, size >= 2 ? out[1] : 0)];
    if (isNoteOn(out, size)) {
        count = static_cast<std::uint8_t>(count < 0xFF ? count + 1 : count);
        if (inChannel >= 0) {
            route_[index(inChannel, out[1])] = static_cast<std::int8_t>(outChannel);
        }
    } else if (isNoteOff(out, size)) {
        count = static_cast<std::uint8_t>(count > 0 ? count - 1 : 0);
        if (inChannel >= 0) {
            route_[index(inChannel, out[1])] = -1;
        }
    } else if (kind == 0xB0 && size >= 3 && (out[1] == 123 || out[1] == 120)) {
        // All Notes Off / All Sound Off: nothing is sounding on that channel.
        for (int key = 0; key < 128; ++key) {
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
