#include "tempo/TapTempo.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <vector>

namespace moxel {
namespace {

constexpr int kWhole = 0, kQuarter = 2, kEighth = 3; // in the beat list "1" "2" "4" "8"

// A calculator whose clock reads the counter values the test gives, one per tap.
struct Calculator {
    std::vector<std::uint32_t> counter;
    std::size_t reads = 0;
    TapTempo tempo{[this] { return counter.at(reads++); }};
    // The texts shown for taps at the counter values, "-" for nothing.
    std::string taps(std::initializer_list<std::uint32_t> times, int beat = kQuarter) {
        std::string shown;
        for (const std::uint32_t at : times) {
            counter.push_back(at);
            shown += (shown.empty() ? "" : " ") + tempo.tap(beat).value_or("-");
        }
        return shown;
    }
};

TEST(TapTempo, AveragesOverAllTapsWithTheNewestIntervalCountedTwice) {
    Calculator calc;
    EXPECT_EQ(calc.taps({1000, 1500, 2000, 2600}), "- 120.000 120.000 110.000");
    EXPECT_EQ(calc.taps({3600}, kEighth), "80.000") << "a beat change keeps earlier values";
    EXPECT_EQ(calc.taps({3850}, kWhole), "381.667");
    calc.tempo.reset();
    EXPECT_EQ(calc.tempo.sngTempo(), 0.0F);
    EXPECT_EQ(calc.taps({5000, 6000, 6500}), "- 60.000 100.000") << "a new measurement";
    EXPECT_EQ(Calculator().taps({1, 501}, -1), "- 120.000") << "no beat selected counts as \"4\"";
    EXPECT_EQ(Calculator().taps({1, 501}, 4), "- 120.000");
    // Summed in single precision: the exact average would show 52307.692.
    EXPECT_EQ(Calculator().taps({1000, 1002, 1015}, kWhole), "- 120000.000 52307.688");
}

TEST(TapTempo, IntervalsAreAtLeastOneMillisecondAndMeasuredAcrossTheCounterWrap) {
    EXPECT_EQ(Calculator().taps({4294967000U, 200}), "- 120.968") << "496 ms";
    EXPECT_EQ(Calculator().taps({5000, 5000, 5001, 5502}), "- 60000.000 60000.000 30060.000");
    // Crowded into one millisecond: the stored time runs ahead of the counter.
    EXPECT_EQ(Calculator().taps({7000, 7000, 7000, 7000, 7503}),
              "- 60000.000 60000.000 60000.000 36048.000");
    EXPECT_EQ(Calculator().taps({1000, 1000 + 0x7FFFFFFFU}), "- 0.000") << "the longest pause";
    EXPECT_EQ(Calculator().taps({1000, 1000 + 0x80000000U}), "- 60000.000") << "too long";
    EXPECT_EQ(Calculator().taps({0, 500}), "- 119.760") << "counter 0 is kept as 1 ms earlier";
    EXPECT_EQ(Calculator().taps({0xFFFFFFFFU, 0xFFFFFFFFU, 500}), "- 60000.000 20079.842");
}

TEST(TapTempo, TheHundredthIntervalFillsTheHistoryAndTheNextReplacesTheOldest) {
    Calculator calc;
    std::uint32_t now = 1000;
    calc.taps({now, now += 1000}); // 60, then 98 intervals of 120
    for (int i = 0; i < 98; ++i) {
        calc.taps({now += 500});
    }
    EXPECT_EQ(calc.taps({now += 1000}), "118.218") << "60 + 60 + 120 x 98 + 60, over 101";
    EXPECT_EQ(calc.taps({now += 250}), "121.782") << "240 + 240 + 120 x 98 + 60, over 101";
}

TEST(TapTempo, ShowsThreeDecimalsRoundedHalfAwayFromZeroWhateverTheLocale) {
    struct CommaDecimal : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale(), new CommaDecimal));
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // a decimal comma for C too, where installed
    std::string shown;
    for (const float value : {0.0F, 120.0F, 240000.0F, 1.0F / 3, 2.0F / 3, 0.9999F, 0.0004F,
                              0.0625F, 1.0625F, 0.0635F, -2.5F, -0.0001F, 1234567.0F}) {
        shown += TapTempo::format(value) + " ";
    }
    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previous);
    EXPECT_EQ(shown, "0.000 120.000 240000.000 0.333 0.667 1.000 0.000 0.063 1.063 0.064 -2.500 "
                     "0.000 1234567.000 ");
}

} // namespace
} // namespace moxel
