#include "tempo/TapTempo.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace moxel {

namespace {

// Quarter notes per minute for a one-millisecond interval, by the index of the
// beat list: one tap is a whole, half, quarter or eighth note.
constexpr std::array<double, 4> kTempoPerMs = {240000.0, 120000.0, 60000.0, 30000.0};

// The item the beat list starts with ("4").
constexpr int kDefaultBeatIndex = 2;

// The counter value kept in lngTempoLastTime, where 0 means idle.
std::int32_t storedTime(std::uint32_t now) {
    return now == 0 ? -1 : static_cast<std::int32_t>(now);
}

} // namespace

TapTempo::TapTempo(Clock clock) : clock_(std::move(clock)) {}

// Choices made where the calculator's rules leave room:
//
// - A beat index outside 0..3 (the list with no item selected, -1) counts as
//   "4", the item the list starts with: the tap is still timed, so the user's
//   rhythm is not lost, and the result is the plain taps-per-minute reading.
//
// - A tap is never less than 1 ms after the previous one: when the signed
//   32-bit difference to the stored time is 0 or negative, the tap counts as
//   1 ms after the stored time. For 0 (two taps within the same millisecond)
//   this is the usual +1. A negative difference arises when the handling of
//   three or more taps falls into one millisecond (say, mouse presses queued
//   while the window was busy): the stored time is then already ahead of the
//   counter by the earlier +1. Taking the difference as it is would put a
//   negative tempo into the history (or, unsigned, one of a 49-day interval);
//   this way each crowded tap is 1 ms, exactly like the second one.
//   The same rule covers a pause of 2^31 ms (24.8 days) or more, which the
//   32-bit counter cannot measure anyway (from 2^32 ms on it cannot even be
//   told apart from a short pause): its difference turns negative and the tap
//   reads as 1 ms. Intervals below 2^31 ms are always measured exactly.
//
// - 0 in lngTempoLastTime means "no measurement under way". A tap whose
//   counter value (after the adjustment above) is exactly 0 therefore
//   stores the moment 1 ms earlier (2^32 - 1, i.e. -1), so that the
//   measurement goes on. The following interval comes out at most 1 ms
//   longer, once every 49.7 days of uptime; a next tap within the same
//   millisecond still gives the usual 1 ms interval, never a wrapped one.
std::optional<std::string> TapTempo::tap(int beatIndex) {
    std::uint32_t now = clock_();
    const auto last = static_cast<std::uint32_t>(lastTime_);
    if (lastTime_ == 0) {
        lastTime_ = storedTime(now);
        return std::nullopt;
    }

    if (static_cast<std::int32_t>(now - last) <= 0) {
        now = last + 1; // at most one tap per millisecond
    }
    const std::uint32_t interval = now - last;

    if (beatIndex < 0 || beatIndex > 3) {
        beatIndex = kDefaultBeatIndex;
    }
    tempo_ = static_cast<float>(kTempoPerMs[static_cast<std::size_t>(beatIndex)] /
                                static_cast<double>(interval));

    log_[static_cast<std::size_t>(logPos_)] = tempo_;

    // The newest value counts twice: once as the start of the sum and once in
    // its slot of the history.
    float sum = tempo_;
    int count = 0;
    for (const float value : log_) {
        if (!(value > 0.0F)) {
            break;
        }
        sum = static_cast<float>(sum + value);
        ++count;
    }
    tempo_ = static_cast<float>(static_cast<double>(sum) / static_cast<double>(count + 1));

    ++logPos_;
    if (logPos_ > 99) {
        logPos_ = 0;
    }

    lastTime_ = storedTime(now);
    return format(tempo_);
}

void TapTempo::reset() {
    lastTime_ = 0;
    tempo_ = 0.0F;
    log_.fill(0.0F);
    logPos_ = 0;
}

// The value is rounded to whole thousandths, a value exactly halfway going
// away from zero (0.0625 shows as "0.063"). Every float times 1000 is exact in
// a double (24 + 10 significant bits), so the rounding works on the exact
// value. The digits come from std::to_chars, which does not look at the locale.
std::string TapTempo::format(float tempo) {
    if (!std::isfinite(tempo)) {
        char buffer[16];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, tempo);
        return std::string(buffer, result.ptr);
    }

    const double thousandths = std::round(std::fabs(static_cast<double>(tempo) * 1000.0));
    // Up to 42 integer digits for the largest float.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, thousandths, std::chars_format::fixed, 0);
    std::string digits(buffer, result.ptr);
    if (digits.size() < 4) {
        digits.insert(0, 4 - digits.size(), '0');
    }
    digits.insert(digits.size() - 3, 1, '.');
    if (std::signbit(tempo) && thousandths != 0.0) {
        digits.insert(0, 1, '-');
    }
    return digits;
}

} // namespace moxel
