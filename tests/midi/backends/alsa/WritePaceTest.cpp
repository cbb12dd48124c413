// The pace of the relay's own messages on the ALSA sequencer, pass by pass.
#include <gtest/gtest.h>

#include "midi/backends/alsa/WritePace.h"

namespace moxel {
namespace {

TEST(WritePace, AHeldBackSequenceGoesOnAtThePaceAndABurstFollowsOnlyWhenNothingWaits) {
    constexpr auto kBurst = WritePace::kBurst;
    // Each pass: when it begins (in tenths of the pace's interval), what it
    // may write, what it wrote, and whether the rest waited.
    const struct {
        int at;
        std::size_t allowed, written;
        bool heldBack;
    } passes[] = {
        {0, kBurst, 3, false},        // a short sequence: done at once
        {1, kBurst, kBurst, true},    // a long one: a burst, then held back
        {6, 0, 0, true},              // half an interval later: nothing yet
        {51, 5, 5, true},             // five intervals after the burst
        {66, 1, 1, true},             // the part of an interval left over counts
        {70, 0, 0, true},             // the rest of that one
        {5000, kBurst, kBurst, true}, // a long pause saves up one burst, no more
        {5005, 0, 0, true},           // and then at the pace again
        {5035, 3, 2, false},          // the end of it
        {5036, kBurst, kBurst, true}, // the next sequence starts with a burst
        {5046, 1, 1, true},           // and goes on at the pace
    };
    WritePace pace;
    const WritePace::Clock::time_point start{std::chrono::hours(1)};
    for (const auto& pass : passes) {
        SCOPED_TRACE(pass.at);
        const auto now = start + pass.at * WritePace::kInterval / 10;
        EXPECT_EQ(pace.allowance(now), pass.allowed);
        pace.passed(pass.written, pass.heldBack, now);
        EXPECT_EQ(pace.behind(), pass.heldBack);
    }
}

} // namespace
} // namespace moxel
