// The ALSA backend here, without the kernel's sequencer: the pace of the
// relay's own messages, and why the sequencer cannot be opened.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <tuple>

#include "midi/backends/alsa/AlsaBackend.h"
#include "midi/backends/alsa/WritePace.h"
#include "relay/RelayShared.h"

namespace moxel {
namespace {

TEST(WritePace, AHeldBackSequenceGoesOnAtThePaceAndAsTheReceiversQueueHasRoom) {
    constexpr auto kBurst = midi::WritePace::kBurst;
    // Each pass: when it begins (in tenths of the pace's interval), what it
    // may write, what it wrote, whether the rest waited.
    const std::tuple<int, std::size_t, std::size_t, bool> passes[] = {
        {0, kBurst, kBurst, true},    // a burst, then held back
        {5, 0, 0, true},              // half an interval later: nothing yet
        {50, 5, 5, true},             // five intervals after the burst
        {65, 1, 1, true},             // and half an interval left over
        {70, 1, 1, true},             // makes one with the next half
        {5000, kBurst, kBurst, true}, // a long pause saves up one burst, no more
        {5035, 3, 2, false},          // the end of it
        {5036, kBurst, kBurst, true}, // the next sequence starts with a burst
    };
    midi::WritePace pace;
    const midi::WritePace::Clock::time_point start{std::chrono::hours(1)};
    for (const auto& [at, allowed, written, heldBack] : passes) {
        const auto now = start + at * midi::WritePace::kInterval / 10;
        EXPECT_EQ(pace.allowance(now), allowed) << at;
        pace.passed(written, heldBack, now);
        EXPECT_EQ(pace.behind(), heldBack) << at;
    }
    // Where a receiver's queue (200) is known, a quarter of it stays free;
    // a pass that starts something new may always write one.
    const auto later = start + 5086 * midi::WritePace::kInterval / 10; // 5 by the time
    EXPECT_EQ(pace.allowance(later, midi::QueueRoom{52, 200}), 2U);
    EXPECT_EQ(pace.allowance(later, midi::QueueRoom{40, 200}), 0U);
    EXPECT_EQ(midi::WritePace().allowance(later, midi::QueueRoom{40, 200}), 1U);
    EXPECT_EQ(midi::WritePace().allowance(later, midi::QueueRoom{200, 200}), kBurst);
}

TEST(SequencerProblem, AFailedOpenIsToldForWhatTheUserCanDoAndAlsaLibPrintsNothing) {
    for (const auto& [error, problem] :
         {std::pair{-EACCES, midi::ServiceProblem::SequencerNotPermitted},
          {-EMFILE, midi::ServiceProblem::SequencerFailed}}) {
        EXPECT_EQ(midi::sequencerProblem(error), problem) << error;
    }
    if (std::filesystem::exists("/dev/snd/seq")) {
        GTEST_SKIP() << "this machine has a sequencer";
    }
    ::testing::internal::CaptureStderr();
    RelayShared shared;
    midi::AlsaBackend backend(shared);
    const bool available = backend.serviceAvailable() || backend.lookForService();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(available);
    EXPECT_EQ(backend.serviceProblem(), midi::ServiceProblem::SequencerMissing);
}

} // namespace
} // namespace moxel
