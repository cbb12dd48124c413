#include "relay/PatchNumber.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace moxel {
namespace {

using namespace std::string_view_literals;

struct ParseCase {
    std::string_view text;
    std::optional<int> patch;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class ParsePatchNumber : public testing::TestWithParam<ParseCase> {};

TEST_P(ParsePatchNumber, ReadsTheTypedText) {
    EXPECT_EQ(parsePatchNumber(GetParam().text), GetParam().patch);
}

constexpr std::nullopt_t none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(PlainNumbers, ParsePatchNumber,
                         testing::Values(ParseCase{"0", 0}, ParseCase{"5", 5},
                                         ParseCase{"127", 127}, ParseCase{"+5", 5},
                                         ParseCase{"+0", 0}, ParseCase{"-0", 0},
                                         ParseCase{"-0.000", 0}, ParseCase{"-.0", 0},
                                         ParseCase{"00000000127", 127}, ParseCase{"127.0", 127},
                                         ParseCase{"127.000000", 127}, ParseCase{"5.", 5},
                                         ParseCase{".5", 0}, ParseCase{".6", 1}));

INSTANTIATE_TEST_SUITE_P(
    HalfToEven, ParsePatchNumber,
    testing::Values(ParseCase{"5.5", 6}, ParseCase{"4.5", 4}, ParseCase{"0.5", 0},
                    ParseCase{"1.5", 2}, ParseCase{"126.5", 126}, ParseCase{"126.6", 127},
                    ParseCase{"126.5000000001", 127}, ParseCase{"126.4999999999", 126},
                    ParseCase{"125.5", 126}, ParseCase{"3.50", 4}, ParseCase{"2.500000", 2},
                    ParseCase{"0.49999999999999999999999999999999999", 0},
                    ParseCase{"0000000000000000000000005.50000000000000000000001", 6},
                    ParseCase{"0000000000000000000000004.50000000000000000000000", 4},
                    ParseCase{"126.50000000000000000000000000000000000000000000000000001", 127}));

INSTANTIATE_TEST_SUITE_P(Blanks, ParsePatchNumber,
                         testing::Values(ParseCase{"  12  ", 12}, ParseCase{"\t12\t", 12},
                                         ParseCase{"\xE3\x80\x80"
                                                   "12\xE3\x80\x80",
                                                   12},
                                         ParseCase{" \t\xE3\x80\x80-0 ", 0}, ParseCase{"- 5", none},
                                         ParseCase{"1 2", none}, ParseCase{"5\n", none},
                                         ParseCase{" ", none}, ParseCase{"\xE3\x80\x80", none},
                                         ParseCase{"\xC2\xA0"
                                                   "5",
                                                   none}));

// What a Japanese input method types in full-width mode.
INSTANTIATE_TEST_SUITE_P(
    FullWidth, ParsePatchNumber,
    testing::Values(ParseCase{"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x97", 127},             // １２７
                    ParseCase{"\xEF\xBC\x90", 0},                                       // ０
                    ParseCase{"\xEF\xBC\x99", 9},                                       // ９
                    ParseCase{"\xEF\xBC\x95\xEF\xBC\x8E\xEF\xBC\x95", 6},               // ５．５
                    ParseCase{"\xEF\xBC\x91\xEF\xBC\x92.5", 12},                        // １２.5
                    ParseCase{"\xEF\xBC\x8B\xEF\xBC\x95", 5},                           // ＋５
                    ParseCase{"\xEF\xBC\x8D\xEF\xBC\x90", 0},                           // －０
                    ParseCase{"\xEF\xBC\x8D\xEF\xBC\x91", none},                        // －１
                    ParseCase{"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x98", none},            // １２８
                    ParseCase{"\xEF\xBC\x91\xEF\xBC\x8C\xEF\xBC\x90", none},            // １，０
                    ParseCase{"\xEF\xBC\x91\xEF\xBD\x85\xEF\xBC\x92", none},            // １ｅ２
                    ParseCase{"\xEF\xBC", none}, ParseCase{"5\xEF\xBC", none},          // cut short
                    ParseCase{"\xEF\xBC\x9A", none}, ParseCase{"\xEF\xBC\x8F", none})); // ：／

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, ParsePatchNumber,
    testing::Values(ParseCase{"128", none}, ParseCase{"-1", none}, ParseCase{"-0.4", none},
                    ParseCase{"-.5", none}, ParseCase{"-0.0000000000000000000001", none},
                    ParseCase{"127.4", none}, ParseCase{"127.5", none},
                    ParseCase{"127.0000000000000000000001", none}, ParseCase{"1270", none},
                    ParseCase{"99999999999999999999999999999999999999", none},
                    ParseCase{"-99999999999999999999999999999999999999", none}));

INSTANTIATE_TEST_SUITE_P(
    NotANumber, ParsePatchNumber,
    testing::Values(ParseCase{"", none}, ParseCase{"abc", none}, ParseCase{"1e2", none},
                    ParseCase{"1E2", none}, ParseCase{"1,0", none}, ParseCase{"1,000", none},
                    ParseCase{"NaN", none}, ParseCase{"nan", none}, ParseCase{"inf", none},
                    ParseCase{"Infinity", none}, ParseCase{"0x10", none}, ParseCase{"&H10", none},
                    ParseCase{".", none}, ParseCase{"+", none}, ParseCase{"-", none},
                    ParseCase{"+-5", none}, ParseCase{"--5", none}, ParseCase{"5-", none},
                    ParseCase{"5..5", none}, ParseCase{"5.5.5", none}, ParseCase{"12a", none},
                    ParseCase{"a12", none}, ParseCase{"1\0"sv, none},
                    ParseCase{"\0"sv
                              "1",
                              none},
                    ParseCase{"(5)", none}, ParseCase{"5%", none}));

// Every value with two decimals from -1.00 to 128.99 against integer arithmetic
// on hundredths.
TEST(ParsePatchNumberSweep, AgreesWithHundredthsArithmetic) {
    for (int hundredths = -100; hundredths < 12900; ++hundredths) {
        const int magnitude = hundredths < 0 ? -hundredths : hundredths;
        std::string text = std::to_string(magnitude / 100) + "." +
                           std::to_string(magnitude % 100 / 10) + std::to_string(magnitude % 10);
        if (hundredths < 0) {
            text.insert(0, 1, '-');
        }
        std::optional<int> expected;
        if (hundredths >= 0 && hundredths <= 12700) {
            const int whole = hundredths / 100;
            const int rest = hundredths % 100;
            expected = whole + (rest > 50 || (rest == 50 && whole % 2 == 1) ? 1 : 0);
        }
        EXPECT_EQ(parsePatchNumber(text), expected) << text;
    }
}

TEST(FormatPatchNumber, AtLeastThreeDigits) {
    EXPECT_EQ(formatPatchNumber(0), "000");
    EXPECT_EQ(formatPatchNumber(5), "005");
    EXPECT_EQ(formatPatchNumber(42), "042");
    EXPECT_EQ(formatPatchNumber(100), "100");
    EXPECT_EQ(formatPatchNumber(127), "127");
    EXPECT_EQ(formatPatchNumber(1000), "1000");
    EXPECT_EQ(formatPatchNumber(-5), "-005");
}

} // namespace
} // namespace moxel
