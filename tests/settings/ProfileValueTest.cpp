#include "settings/ProfileValue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace moxel {
namespace {

std::string filler(std::size_t n) {
    return std::string(n, 'a');
}

TEST(ProfileValueCut, AsciiValuesKeepAtMost127Bytes) {
    const struct {
        std::size_t length;
        std::size_t kept;
    } cases[] = {{0, 0}, {100, 100}, {127, 127}, {128, 127}, {200, 127}};
    for (const auto& c : cases) {
        std::string value;
        for (std::size_t i = 0; i < c.length; ++i) {
            value += static_cast<char>('0' + i % 10);
        }
        EXPECT_EQ(cutToProfileLimit(value), value.substr(0, c.kept)) << c.length;
    }
}

TEST(ProfileValueCut, NeverSplitsAUtf8Character) {
    const std::string hiragana = "\xE3\x81\x82";  // あ
    const std::string eAcute = "\xC3\xA9";        // é
    const std::string emoji = "\xF0\x9F\x8E\xB9"; // 🎹
    const struct {
        std::string value;
        std::size_t kept;
    } cases[] = {
        {filler(124) + hiragana, 127},       // ends exactly at the limit
        {filler(124) + hiragana + "x", 127}, // the next character is cut away
        {filler(125) + hiragana, 125},       // straddles bytes 125..127
        {filler(126) + hiragana, 126},       // straddles bytes 126..128
        {filler(126) + eAcute, 126},         // two-byte character
        {filler(123) + emoji + "x", 127},    // four-byte, ends at the limit
        {filler(124) + emoji, 124},          // four-byte, straddles
        {filler(126) + emoji, 126},          // four-byte, only the lead kept
        {hiragana + filler(200), 127},       // the cut falls between ASCII
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cutToProfileLimit(c.value), c.value.substr(0, c.kept)) << c.value.size();
    }
}

TEST(ProfileValueCut, BytesThatAreNotUtf8AreCutWhereTheyStand) {
    const struct {
        const char* what;
        std::string value;
    } cases[] = {
        {"Shift-JIS pair across the limit", filler(126) + "\x82\xA0" + "bb"},
        {"Shift-JIS lead in E0..EF", filler(126) + "\xE3\x80" + "b"},
        {"truncated UTF-8 lead", filler(126) + "\xE3\x81" + "b"},
        {"overlong three-byte form", filler(126) + "\xE0\x80\x80"},
        {"UTF-16 surrogate in UTF-8", filler(125) + "\xED\xA0\x80"},
        {"stray continuation bytes", filler(124) + "\x81\x82\x83\x84\x85"},
        {"beyond U+10FFFF", filler(125) + "\xF4\x90\x80\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cutToProfileLimit(c.value), c.value.substr(0, 127)) << c.what;
    }
}

TEST(ProfileValueInt, ReadsLeadingNumberLikeTheProfileFunctions) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const struct {
        const char* text;
        std::int32_t expected;
    } cases[] = {
        {"2", 2},
        {"-1", -1},
        {"12abc", 12},
        {" 7", 7},
        {"\t 7", 7},
        {"", 0},
        {"abc", 0},
        {"+5", 5},
        {"-", 0},
        {"- 5", 0},
        {"0x10", 0},
        {"007", 7},
        {"1 2", 1},
        {"15", 15},
        {"2147483647", kMax},
        {"-2147483648", kMin},
        {"2147483648", kMax},
        {"-99999999999999999999", kMin},
        {"99999999999999999999", kMax},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseProfileInt(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(ProfileValueLine, BlanksAroundAndOnePairOfQuotesAreDropped) {
    const struct {
        const char* text;
        const char* value;
    } cases[] = {
        {"Synth", "Synth"},
        {"  Synth \t", "Synth"},
        {"\"  Synth \"", "  Synth "},
        {"\"\"", ""},
        {"\"", "\""},
        {"\"Synth", "\"Synth"},
        {"\"\"x\"\"", "\"x\""},
        {"a \"b\" c", "a \"b\" c"},
        {"", ""},
        {"a=b", "a=b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(valueFromLine(c.text), c.value) << c.text;
    }
}

TEST(ProfileValueLine, EveryValueWithoutLineBreakReadsBackAsWritten) {
    for (const char* value : {"", "Synth", " Synth", "Synth ", "\tx\t", "  ", "\"x\"", "\"", "\"x",
                              "x\"", "\" \"", "\"\"", "a \"b\" c", "\xE3\x80\x80x"}) {
        SCOPED_TRACE(value);
        EXPECT_TRUE(valueFitsOnLine(value));
        const std::string text = valueForLine(value);
        EXPECT_EQ(valueFromLine(text), value);
        EXPECT_EQ(valueFromLine("  " + text + " \t"), value);
    }
}

TEST(ProfileValueLine, PlainValuesAreWrittenWithoutQuotes) {
    for (const char* value : {"0", "15", "USB MIDI", "\"x", "\xE3\x80\x80x\xE3\x80\x80"}) {
        EXPECT_EQ(valueForLine(value), value);
    }
}

TEST(ProfileValueLine, LineBreaksDoNotFit) {
    for (const char* value : {"a\nb", "a\r", "\r\n"}) {
        EXPECT_FALSE(valueFitsOnLine(value)) << value;
    }
}

} // namespace
} // namespace moxel
