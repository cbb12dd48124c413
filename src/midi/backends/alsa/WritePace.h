#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

#include "midi/backends/alsa/QueueRoom.h"

namespace moxel::midi {

// The pace of the messages the relay writes of its own (a reset, the release
// of held notes) on the ALSA sequencer, which has no flow control: a
// receiver's queue (200 events unless it asks for more) that runs over is
// emptied whole by the kernel, so a reset written at once would lose its
// start. A pass may write a burst; a sequence that is still going after it
// goes on at kPerSecond, in order, in later passes. Relayed input is never
// held back.
//
// The numbers: a reset of every key on every channel is about 2,100
// messages; at 5,000 a second it takes 0.42 s. aseqdump (200 events of
// queue, printing each) in the emulated test guest heard every message of
// such a reset sent at 10,000 a second, and lost some at 20,000 and above (on
// a machine busy with other work, some at 7,000): the pace leaves it half.
// A receiver that reads its queue every 10 ms holds at most kBurst + 50 of
// them. Where the kernel tells how full the receiver's queue is (a program's
// client), a pass also leaves a quarter of it free for relayed input: a
// receiver that stalls is waited for. A pass that starts something new may
// always write one message: a lone program change from the window is never
// held back.
//
// Real-time safe: arithmetic only. The clock is read by the caller, only
// while the relay has work of its own.
class WritePace {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::size_t kBurst = 32;
    static constexpr int kPerSecond = 5000;
    static constexpr Clock::duration kInterval =
        std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / kPerSecond;

    // A sequence was held back and goes on in a later pass.
    bool behind() const noexcept { return behind_; }

    // The writes of its own the pass that begins at `now` may make: a burst
    // when nothing was held back, else what the time since allows; no more
    // than the receiver's queue has room for, where that is known.
    std::size_t allowance(Clock::time_point now,
                          const std::optional<QueueRoom>& room = std::nullopt) const noexcept;

    // After the pass that began at `now`: it wrote `written` of its own, and
    // ran into its allowance (the rest was held back) or not.
    void passed(std::size_t written, bool heldBack, Clock::time_point now) noexcept;

  private:
    bool behind_ = false;
    Clock::time_point empty_{}; // while behind: when the allowance was last used up
};

} // namespace moxel::midi
