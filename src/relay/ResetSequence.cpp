#include "relay/ResetSequence.h"

namespace moxel {

bool ResetSequence::peek(const NoteTracker& notes, std::array<std::uint8_t, 3>& message) noexcept {
    while (channel_ < 16) {
        const auto status = static_cast<std::uint8_t>(channel_);
        switch (step_) {
        case 0:
            message = {static_cast<std::uint8_t>(0xB0 | status), 64, 0};
            return true;
        case 1:
            while (key_ < 128 && !notes.sounding(channel_, key_)) {
                ++key_;
            }
            if (key_ < 128) {
                message = {static_cast<std::uint8_t>(0x80 | status),
                           static_cast<std::uint8_t>(key_), 0};
                return true;
            }
            step_ = 2;
            break;
        case 2:
            message = {static_cast<std::uint8_t>(0xB0 | status), 123, 0};
            return true;
        default:
            message = {static_cast<std::uint8_t>(0xB0 | status), 120, 0};
            return true;
        }
    }
    return false;
}

void ResetSequence::advance() noexcept {
    if (channel_ >= 16) {
        return;
    }
    if (step_ == 1) {
        ++key_; // the note-off of key_ was written
        return;
    }
    if (step_ == 3) {
        ++channel_;
        step_ = 0;
        key_ = 0;
        return;
    }
    ++step_;
}

} // namespace moxel
