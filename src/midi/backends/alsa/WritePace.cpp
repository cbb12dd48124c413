#include "midi/backends/alsa/WritePace.h"

#include <algorithm>

namespace moxel {

std::size_t WritePace::allowance(Clock::time_point now) const noexcept {
    if (!behind_) {
        return kBurst;
    }
    if (now <= empty_) {
        return 0;
    }
    return static_cast<std::size_t>(
        std::min((now - empty_) / kInterval, static_cast<Clock::rep>(kBurst)));
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

} // namespace moxel
