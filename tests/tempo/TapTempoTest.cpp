#include "tempo/TapTempo.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <random>
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
    EXPECT_EQ(Calculator().taps({1, 501}, -1), "- 120.000") << "no beat selected counts as \"4\"";
    EXPECT_EQ(Calculator().taps({1, 501}, 4), "- 120.000");
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
    for (int i = 0; i < 100; ++i) {
        calc.taps({now += 500}); // 99 intervals of 120
    }
    EXPECT_EQ(calc.taps({now += 1000}), "118.812") << "60 + 120 x 99 + 60, over 101";
    EXPECT_EQ(calc.taps({now += 250}), "121.782") << "240 + (240 + 120 x 98 + 60), over 101";
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

// A second, plain implementation of the arithmetic (signed 32-bit intervals).
struct Reference {
    std::uint32_t last = 0;
    float tempo = 0.0F, log[100] = {};
    int pos = 0;
    bool tap(std::uint32_t now, int beat) {
        if (last == 0) {
            last = now;
            return false;
        }
        now = static_cast<std::int32_t>(now - last) > 0 ? now : last + 1;
        tempo = static_cast<float>(240000.0 / (1 << beat) / (now - last));
        last = now;
        log[pos] = tempo;
        float sum = tempo;
        int k = 0;
        for (; k < 100 && log[k] > 0; ++k) {
            sum = sum + log[k];
        }
        tempo = static_cast<float>(static_cast<double>(sum) / (k + 1));
        pos = (pos + 1) % 100;
        return true;
    }
};

TEST(TapTempo, MatchesAPlainReimplementationBitForBit) {
    std::mt19937 random(20240611U); // fixed seed: the same taps everywhere
    Calculator calc;
    Reference reference;
    std::uint32_t counter = 4294000000U; // crosses the counter wrap on the way
    int beat = kQuarter;
    for (int i = 0; i < 300; ++i) {
        const std::uint32_t r = random();
        const std::uint32_t steps[] = {0, 1 + (r >> 8) % 5, (r >> 8) % 10000000};
        counter += r % 10 < 3 ? steps[r % 10] : 150 + (r >> 8) % 1500;
        counter += counter == 0 ? 1 : 0; // a counter value of 0 has its own rule
        beat = (r >> 4) % 7 == 0 ? static_cast<int>((r >> 12) % 4) : beat;
        if (i == 250) {
            calc.tempo.reset();
            reference = Reference();
        }
        const bool computed = reference.tap(counter, beat);
        ASSERT_EQ(calc.taps({counter}, beat), computed ? TapTempo::format(reference.tempo) : "-")
            << "tap " << i;
        ASSERT_EQ(calc.tempo.sngTempo(), reference.tempo) << "tap " << i; // exact, never NaN
    }
}

} // namespace
} // namespace moxel
