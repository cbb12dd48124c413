#include "app/presenter/PatchNumber.h"

#include <gtest/gtest.h>
#include <initializer_list>

namespace moxel {
namespace {

using namespace std::string_view_literals;

// Every text reads as the patch (nothing: no number, or out of range).
void expectRead(std::optional<int> patch, std::initializer_list<std::string_view> texts) {
    for (const std::string_view text : texts) {
        EXPECT_EQ(parsePatchNumber(text), patch) << '"' << text << '"';
    }
}

// Full-width forms (U+FF0B..U+FF19, as a Japanese input method types them) count as
// ASCII, also mixed; blanks: space, tab, U+3000. Any number of digits is read exactly.
TEST(ParsePatchNumber, PlainNumbersOnlyRoundedHalfToEvenOnTheExactValue) {
    expectRead(0, {"+0", "-0", "-0.000", "-.0", ".5", "0.49999999999999999999999", "\uFF10",
                   "\uFF0D\uFF10", " \t\u3000-0 "});
    expectRead(5, {"+5", "5.", "\uFF0B\uFF15"});
    expectRead(6, {"0000000000005.500000000000000000001", "\uFF15\uFF0E\uFF19"});
    expectRead(12, {"\t12\t", "\u300012\u3000", "\uFF11\uFF12.5"});
    expectRead(127, {"00000000127", "126.500000000000000000000001", "\uFF11\uFF12\uFF17"});
    expectRead(std::nullopt, {"-0.0000000000000000000001", "127.0000000000000000000001",
                              "99999999999999999999", "-99999999999999999999"});
    expectRead(std::nullopt,
               {"",        "-.5", "1270",     "abc",   "1e2",  "1E2", "1,0",    "1,000",  "NaN",
                "nan",     "inf", "Infinity", "0x10",  "&H10", ".",   "+",      "-",      "+-5",
                "--5",     "5-",  "5..5",     "5.5.5", "12a",  "a12", "(5)",    "5%",     "1\0"sv,
                "\0001"sv, "- 5", "+ 5",      "1 2",   "5\n",  " ",   "\u3000", "\u00A05"});
    // "-1", "128", "1,0", "1e2", ":" and "1/" in full width, and two cut short
    expectRead(std::nullopt, {"\uFF0D\uFF11", "\uFF11\uFF12\uFF18", "\uFF11\uFF0C\uFF10",
                              "\uFF11\uFF45\uFF12", "\uFF1A", "1\uFF0F", "\xEF\xBC", "5\xEF\xBC"});
}

// Every value with two decimals up to 128.99, and its negative, against hundredths.
TEST(ParsePatchNumber, AgreesWithHundredthsArithmetic) {
    for (int hundredths = 0; hundredths < 12900; ++hundredths) {
        const int whole = hundredths / 100, rest = hundredths % 100;
        const auto text = std::to_string(whole) + (rest < 10 ? ".0" : ".") + std::to_string(rest);
        const int rounded = whole + (rest > 50 || (rest == 50 && whole % 2 == 1) ? 1 : 0);
        const auto patch = hundredths <= 12700 ? std::optional(rounded) : std::nullopt;
        EXPECT_EQ(parsePatchNumber(text), patch) << text;
        EXPECT_EQ(parsePatchNumber("-" + text), hundredths == 0 ? patch : std::nullopt) << text;
    }
}

TEST(FormatPatchNumber, AtLeastThreeDigits) {
    std::string shown;
    for (const int patch : {0, 5, 42, 100, 127, 1000, -5}) {
        shown += formatPatchNumber(patch) + " ";
    }
    EXPECT_EQ(shown, "000 005 042 100 127 1000 -005 ");
}

} // namespace
} // namespace moxel
