#include "midi/backends/alsa/WritePace.h"

#include <algorithm>

namespace moxel::midi {

std::size_t WritePace::allowance(Clock::time_point now,
                                 const std::optional<QueueRoom>& room) const noexcept {
    std::size_t byTime = kBurst;
    if (behind_) {
        byTime = now <= empty_ ? 0
                               : static_cast<std::size_t>(std::min(
                                     (now - empty_) / kInterval, static_cast<Clock::rep>(kBurst)));
    }
    if (!room) {
        return byTime;
    }
    const std::size_t kept = room->size / 4; // for relayed input meanwhile
    const std::size_t byRoom = room->free > kept ? room->free - kept : 0;
    return std::min(byTime, std::max<std::size_t>(byRoom, behind_ ? 0 : 1));
}

void WritePace::passed(std::size_t written, bool heldBack, Clock::time_point now) noexcept {
    if (!heldBack) {
        behind_ = false;
        return;
    }
    if (!behind_) {
        behind_ = true;
        empty_ = now; // the burst is used up
        return;
    }
    // Time that earned more than a burst is not saved up.
    empty_ = std::max(empty_, now - static_cast<Clock::rep>(kBurst) * kInterval) +
             static_cast<Clock::rep>(written) * kInterval;
}

} // namespace moxel::midi
