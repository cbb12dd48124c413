#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace moxel {

// The tap-tempo calculator. Each tap is timed with a millisecond counter that
// wraps at 2^32; the shown tempo is the average over the taps so far with the
// newest interval counted twice.
class TapTempo {
  public:
    using Clock = std::function<std::uint32_t()>;

    explicit TapTempo(Clock clock);

    // One tap with the given selected index of the beat list (0 "1", 1 "2",
    // 2 "4", 3 "8"). Returns the text to show, or nothing when nothing is
    // computed (the first tap of a measurement).
    std::optional<std::string> tap(int beatIndex);

    // Back to idle: every value 0.
    void reset();

    // "0.000": a point, three decimals, no thousands separator.
    static std::string format(float tempo);

    std::int32_t lngTempoLastTime() const { return lastTime_; }
    float sngTempo() const { return tempo_; }
    const std::array<float, 100>& sngTempoLog() const { return log_; }
    std::int32_t lngTempoLogPos() const { return logPos_; }

  private:
    Clock clock_;
    std::int32_t lastTime_ = 0;
    float tempo_ = 0.0F;
    std::array<float, 100> log_{};
    std::int32_t logPos_ = 0;
};

} // namespace moxel
