#include "tempo/TapTempo.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <locale>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace moxel {
namespace {

constexpr int kWhole = 0;   // "1"
constexpr int kHalf = 1;    // "2"
constexpr int kQuarter = 2; // "4"
constexpr int kEighth = 3;  // "8"

// A calculator driven by a counter the test sets before each tap.
struct Calculator {
    std::uint32_t counter = 0;
    int reads = 0;
    TapTempo tempo{[this] {
        ++reads;
        return counter;
    }};

    std::optional<std::string> tapAt(std::uint32_t at, int beat = kQuarter) {
        counter = at;
        return tempo.tap(beat);
    }
};

std::uint32_t bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

TEST(TapTempo, WorkedExampleCountsTheNewestIntervalTwice) {
    Calculator calc;
    calc.tempo.reset();
    EXPECT_EQ(calc.tapAt(1000), std::nullopt);
    EXPECT_EQ(calc.tapAt(1500), "120.000");
    EXPECT_EQ(calc.tapAt(2000), "120.000");
    EXPECT_EQ(calc.tapAt(2600), "110.000");
    EXPECT_EQ(calc.tempo.sngTempo(), 110.0F);
    EXPECT_EQ(calc.tempo.sngTempoLog()[0], 120.0F);
    EXPECT_EQ(calc.tempo.sngTempoLog()[1], 120.0F);
    EXPECT_EQ(calc.tempo.sngTempoLog()[2], 100.0F);
    EXPECT_EQ(calc.tempo.sngTempoLog()[3], 0.0F);
    EXPECT_EQ(calc.tempo.lngTempoLogPos(), 3);
    EXPECT_EQ(calc.tempo.lngTempoLastTime(), 2600);
}

TEST(TapTempo, FirstTapOnlyStoresTheTimeAndReadsTheClockOnce) {
    Calculator calc;
    EXPECT_EQ(calc.tapAt(123456), std::nullopt);
    EXPECT_EQ(calc.reads, 1);
    EXPECT_EQ(calc.tempo.lngTempoLastTime(), 123456);
    EXPECT_EQ(calc.tempo.sngTempo(), 0.0F);
    EXPECT_EQ(calc.tempo.lngTempoLogPos(), 0);
    EXPECT_EQ(calc.tempo.sngTempoLog()[0], 0.0F);
    calc.tapAt(124000);
    EXPECT_EQ(calc.reads, 2);
}

TEST(TapTempo, SecondTapShowsExactlyTheTempoOfItsInterval) {
    const std::uint32_t intervals[] = {1, 3, 7, 333, 499, 501, 997, 12345, 86400000};
    const double perMs[] = {240000.0, 120000.0, 60000.0, 30000.0};
    for (int beat = 0; beat < 4; ++beat) {
        for (const std::uint32_t interval : intervals) {
            Calculator calc;
            calc.tapAt(50000, beat);
            calc.tapAt(50000 + interval, beat);
            const auto expected = static_cast<float>(perMs[beat] / interval);
            EXPECT_EQ(bits(calc.tempo.sngTempo()), bits(expected))
                << "beat " << beat << " interval " << interval;
            EXPECT_EQ(bits(calc.tempo.sngTempoLog()[0]), bits(expected));
        }
    }
}

TEST(TapTempo, BeatIndexSelectsTheNoteValueOfOneTap) {
    struct Case {
        int beat;
        const char* shown;
    };
    // Taps 500 ms apart; an index outside the list counts as "4".
    const Case cases[] = {{kWhole, "480.000"}, {kHalf, "240.000"}, {kQuarter, "120.000"},
                          {kEighth, "60.000"}, {-1, "120.000"},    {4, "120.000"},
                          {-32768, "120.000"}};
    for (const Case& c : cases) {
        Calculator calc;
        calc.tapAt(10000, c.beat);
        EXPECT_EQ(calc.tapAt(10500, c.beat), c.shown) << "beat " << c.beat;
    }
}

TEST(TapTempo, TapsWithinOneMillisecondAreOneMillisecondApart) {
    Calculator calc;
    calc.tapAt(5000);
    EXPECT_EQ(calc.tapAt(5000), "60000.000");
    EXPECT_EQ(calc.tempo.lngTempoLastTime(), 5001);
    // The counter reads 5001 while the stored time is already 5001.
    EXPECT_EQ(calc.tapAt(5001), "60000.000");
    EXPECT_EQ(calc.tempo.lngTempoLastTime(), 5002);
    // The next interval is measured from the adjusted time.
    calc.tapAt(5502);
    EXPECT_EQ(calc.tempo.sngTempoLog()[2], 120.0F);
}

TEST(TapTempo, TapsCrowdedIntoOneMillisecondAreEachOneMillisecond) {
    Calculator calc;
    calc.tapAt(7000);
    calc.tapAt(7000);
    // The stored time (7001) is now ahead of the counter.
    EXPECT_EQ(calc.tapAt(7000), "60000.000");
    EXPECT_EQ(calc.tapAt(7000), "60000.000");
    EXPECT_EQ(calc.tempo.lngTempoLastTime(), 7003);
    for (std::size_t slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(calc.tempo.sngTempoLog()[slot], 60000.0F) << "slot " << slot;
    }
    calc.tapAt(7503);
    EXPECT_EQ(calc.tempo.sngTempoLog()[3], 120.0F);
}

TEST(TapTempo, IntervalAcrossTheCounterWrapIsTheTrueInterval) {
    Calculator calc;
    calc.tapAt(4294967000U);
    EXPECT_EQ(calc.tempo.lngTempoLastTime(), static_cast<std::int32_t>(4294967000U));
    calc.tapAt(200);
    EXPECT_EQ(bits(calc.tempo.sngTempoLog()[0]), bits(static_cast<float>(60000.0 / 496.0)));
    EXPECT_EQ(calc.tempo.lngTempoLastTime(), 200);
}

TEST(TapTempo, CounterValueZeroKeepsTheMeasurementGoing) {
    Calculator calc;
    EXPECT_EQ(calc.tapAt(0), std::nullopt);
    EXPECT_NE(calc.tempo.lngTempoLastTime(), 0);
    // Same millisecond: still the usual 1 ms interval.
    EXPECT_EQ(calc.tapAt(0), "60000.000");
    EXPECT_NE(calc.tempo.lngTempoLastTime(), 0);
    EXPECT_EQ(calc.tempo.lngTempoLogPos(), 1);

    // A zero interval at the top of the counter moves the time to 0.
    Calculator top;
    top.tapAt(0xFFFFFFFFU);
    EXPECT_EQ(top.tapAt(0xFFFFFFFFU), "60000.000");
    EXPECT_NE(top.tempo.lngTempoLastTime(), 0);
    // About 500 ms later: a normal interval, not a wrapped one.
    EXPECT_TRUE(top.tapAt(500).has_value());
    EXPECT_EQ(top.tempo.lngTempoLogPos(), 2);
    EXPECT_GE(top.tempo.sngTempoLog()[1], static_cast<float>(60000.0 / 501.0));
    EXPECT_LE(top.tempo.sngTempoLog()[1], 120.0F);
}

TEST(TapTempo, PausesBeyondTheSignedCounterRangeReadAsOneMillisecond) {
    struct Case {
        std::uint32_t pause;
        std::uint32_t interval;
    };
    const Case cases[] = {{0x7FFFFFFFU, 0x7FFFFFFFU}, // the longest measurable pause
                          {0x80000000U, 1},
                          {0xC0000000U, 1},
                          {0xFFFFFFFFU, 1}};
    for (const Case& c : cases) {
        Calculator calc;
        calc.tapAt(1000);
        calc.tapAt(1000 + c.pause);
        EXPECT_EQ(bits(calc.tempo.sngTempoLog()[0]), bits(static_cast<float>(60000.0 / c.interval)))
            << "pause " << c.pause;
        EXPECT_EQ(calc.tempo.lngTempoLastTime(), static_cast<std::int32_t>(1000U + c.interval));
        EXPECT_EQ(calc.tempo.lngTempoLogPos(), 1);
    }
}

TEST(TapTempo, HundredthIntervalFillsTheRingAndTheNextOverwritesSlotZero) {
    Calculator calc;
    std::uint32_t now = 1000;
    calc.tapAt(now);
    for (int i = 0; i < 99; ++i) {
        now += 500; // 120 each
        calc.tapAt(now);
    }
    EXPECT_EQ(calc.tempo.lngTempoLogPos(), 99);
    EXPECT_EQ(calc.tempo.sngTempoLog()[99], 0.0F);

    now += 1000; // the 100th interval: 60
    EXPECT_EQ(calc.tapAt(now), "118.812");
    EXPECT_EQ(bits(calc.tempo.sngTempo()), bits(static_cast<float>(12000.0 / 101.0)));
    EXPECT_EQ(calc.tempo.sngTempoLog()[99], 60.0F);
    EXPECT_EQ(calc.tempo.lngTempoLogPos(), 0);

    now += 250; // the 101st interval: 240, into slot 0 in place of 120
    calc.tapAt(now);
    EXPECT_EQ(calc.tempo.sngTempoLog()[0], 240.0F);
    EXPECT_EQ(calc.tempo.sngTempoLog()[1], 120.0F);
    EXPECT_EQ(calc.tempo.lngTempoLogPos(), 1);
    // 240 twice + 98 x 120 + 60, still over 101.
    EXPECT_EQ(bits(calc.tempo.sngTempo()), bits(static_cast<float>(12300.0 / 101.0)));
}

TEST(TapTempo, ChangingTheBeatKeepsEarlierValuesInTheHistory) {
    Calculator calc;
    calc.tapAt(0x10000, kQuarter);
    calc.tapAt(0x10000 + 500, kQuarter);                      // 120
    EXPECT_EQ(calc.tapAt(0x10000 + 1000, kEighth), "80.000"); // 60: (60 + 120 + 60) / 3
    EXPECT_EQ(calc.tempo.sngTempoLog()[0], 120.0F);
    EXPECT_EQ(calc.tempo.sngTempoLog()[1], 60.0F);
    EXPECT_EQ(calc.tapAt(0x10000 + 1500, kWhole), "285.000"); // 480: (480 + 120 + 60 + 480) / 4
}

TEST(TapTempo, MinutePauseStaysInTheHistoryUntilReset) {
    Calculator calc;
    calc.tapAt(1000);
    EXPECT_EQ(calc.tapAt(61000), "1.000");
    EXPECT_EQ(calc.tempo.sngTempoLog()[0], 1.0F);
    EXPECT_EQ(calc.tapAt(61500), "80.333"); // (120 + 1 + 120) / 3
    EXPECT_EQ(calc.tempo.sngTempoLog()[0], 1.0F);

    calc.tempo.reset();
    EXPECT_EQ(calc.tempo.lngTempoLastTime(), 0);
    EXPECT_EQ(calc.tempo.sngTempo(), 0.0F);
    EXPECT_EQ(calc.tempo.lngTempoLogPos(), 0);
    for (const float slot : calc.tempo.sngTempoLog()) {
        EXPECT_EQ(slot, 0.0F);
    }
    EXPECT_EQ(calc.tapAt(70000), std::nullopt);
    EXPECT_EQ(calc.tapAt(70500), "120.000");
}

TEST(TapTempoFormat, ThreeDecimalsWithAPoint) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.0F, "0.000"},
        {240000.0F, "240000.000"},
        {120.0F, "120.000"},
        {98.361F, "98.361"},
        {static_cast<float>(60000.0 / 610.0), "98.361"}, // 98.3606...
        {static_cast<float>(12000.0 / 101.0), "118.812"},
        {1.0F / 3.0F, "0.333"},
        {2.0F / 3.0F, "0.667"},
        {0.9999F, "1.000"},
        {0.0004F, "0.000"},
        {0.0625F, "0.063"}, // exactly halfway: away from zero
        {1.0625F, "1.063"}, // likewise
        {0.0635F, "0.064"}, // a float just above 0.0635
        {2.5e-5F, "0.000"},
        {1234567.0F, "1234567.000"},
        {16777216.0F, "16777216.000"},
        {-2.5F, "-2.500"},
        {-0.0001F, "0.000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TapTempo::format(c.value), c.text) << "value " << c.value;
    }
}

// A numpunct with a comma as decimal point and a dot as group separator.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(TapTempoFormat, DoesNotFollowTheLocale) {
    const std::locale previous = std::locale::global(std::locale(std::locale(), new CommaDecimal));
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            break;
        }
    }
    const std::string big = TapTempo::format(240000.0F);
    const std::string small = TapTempo::format(98.361F);
    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previous);
    EXPECT_EQ(big, "240000.000");
    EXPECT_EQ(small, "98.361");
}

// A second, plain implementation of the calculator's arithmetic, with the
// signed 32-bit difference, to compare the class with bit for bit.
struct ReferenceTempo {
    std::int32_t lastTime = 0;
    float tempo = 0.0F;
    float log[100] = {};
    std::int32_t logPos = 0;

    bool tap(std::uint32_t counter, int beat) {
        std::int32_t now = static_cast<std::int32_t>(counter);
        if (lastTime == 0) {
            lastTime = now;
            return false;
        }
        const auto diff = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                                    static_cast<std::uint32_t>(lastTime));
        std::int32_t interval = diff;
        if (diff == 0) {
            now = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) + 1U);
            interval = 1;
        } else if (diff < 0) { // crowded taps: 1 ms after the stored time
            now = static_cast<std::int32_t>(static_cast<std::uint32_t>(lastTime) + 1U);
            interval = 1;
        }
        double value = 0.0;
        switch (beat) {
        case 0:
            value = 240000.0 / interval;
            break;
        case 1:
            value = 120000.0 / interval;
            break;
        case 2:
            value = 60000.0 / interval;
            break;
        default:
            value = 30000.0 / interval;
            break;
        }
        tempo = static_cast<float>(value);
        log[logPos] = tempo;
        float sum = tempo;
        int k = 0;
        while (k < 100 && log[k] > 0) {
            sum = sum + log[k];
            k = k + 1;
        }
        tempo = static_cast<float>(static_cast<double>(sum) / (k + 1));
        logPos = logPos + 1;
        if (logPos > 99) {
            logPos = 0;
        }
        lastTime = now;
        return true;
    }

    void reset() { *this = ReferenceTempo{}; }
};

TEST(TapTempo, MatchesAPlainReimplementationBitForBit) {
    std::mt19937 random(20240611U); // fixed seed: the same sequence everywhere
    Calculator calc;
    ReferenceTempo reference;
    std::uint32_t counter = 4294000000U; // crosses the counter wrap on the way
    int beat = kQuarter;
    for (int i = 0; i < 300; ++i) {
        const std::uint32_t r = random();
        switch (r % 10) {
        case 0:
            break; // same millisecond
        case 1:
            counter += 1 + (r >> 8) % 5;
            break;
        case 2:
            counter += (r >> 8) % 10000000;
            break;
        default:
            counter += 150 + (r >> 8) % 1500;
            break;
        }
        if ((r >> 4) % 7 == 0) {
            beat = static_cast<int>((r >> 12) % 4);
        }
        if (i == 250) {
            calc.tempo.reset();
            reference.reset();
        }
        if (counter == 0) {
            ++counter; // a counter value of 0 has its own rule, tested above
        }
        const std::optional<std::string> shown = calc.tapAt(counter, beat);
        const bool computed = reference.tap(counter, beat);
        ASSERT_EQ(shown.has_value(), computed) << "tap " << i;
        ASSERT_EQ(bits(calc.tempo.sngTempo()), bits(reference.tempo)) << "tap " << i;
        ASSERT_EQ(calc.tempo.lngTempoLastTime(), reference.lastTime) << "tap " << i;
        ASSERT_EQ(calc.tempo.lngTempoLogPos(), reference.logPos) << "tap " << i;
        for (int slot = 0; slot < 100; ++slot) {
            ASSERT_EQ(bits(calc.tempo.sngTempoLog()[static_cast<std::size_t>(slot)]),
                      bits(reference.log[slot]))
                << "tap " << i << " slot " << slot;
        }
        if (computed) {
            EXPECT_EQ(*shown, TapTempo::format(reference.tempo));
        }
    }
}

} // namespace
} // namespace moxel
