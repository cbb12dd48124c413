#include "settings/KeyEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace moxel {
namespace {

using namespace std::string_literals;

TEST(KeyEncoding, PlainNamesAreStoredAsTheyAre) {
    for (const std::string& name :
         {"Synth"s, "USB MIDI Interface"s, "DefaultMIDIIn"s, "a%b"s, "a;b"s, "a[b]"s,
          "\xE3\x83\xA4\xE3\x83\x9E\xE3\x83\x8F"s /* ヤマハ */, "\x83\x84\x83\x7D\x83\x6E"s,
          "Mid\xE3\x80\x80Name"s}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(keyNameNeedsEncoding(name));
        EXPECT_EQ(encodeKeyName(name), name);
        EXPECT_EQ(decodeKeyName(name), name);
    }
}

TEST(KeyEncoding, NamesAnIniLineCannotCarryAreEscaped) {
    const struct {
        std::string name;
        std::string stored;
    } cases[] = {
        {"Synth ", "%Synth%20"},
        {" Synth", "%%20Synth"},
        {"  a b  ", "%%20%20a b%20%20"},
        {"\tx", "%%09x"},
        {"A=B", "%A%3DB"},
        {"[Moxel Settings.]", "%[Moxel Settings.]"},
        {";comment", "%;comment"},
        {"%41", "%%2541"},
        {"a\r\nb", "%a%0D%0Ab"},
        {"a\0b"s, "%a%00b"},
        {"x\xE3\x80\x80", "%x%E3%80%80"},
        {"\xE3\x80\x80x", "%%E3%80%80x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(keyNameNeedsEncoding(c.name));
        EXPECT_EQ(encodeKeyName(c.name), c.stored);
        EXPECT_EQ(decodeKeyName(c.stored), c.name);
    }
}

// Every name of up to two bytes comes back unchanged, and what is stored is a
// name the file can carry.
TEST(KeyEncoding, EveryShortNameRoundTripsThroughAStorableName) {
    for (int first = 0; first < 256; ++first) {
        for (int second = -1; second < 256; ++second) {
            std::string name(1, static_cast<char>(first));
            if (second >= 0) {
                name += static_cast<char>(second);
            }
            const std::string stored = encodeKeyName(name);
            ASSERT_EQ(decodeKeyName(stored), name) << first << "," << second;
            ASSERT_EQ(stored.find_first_of("=\r\n"s + '\0'), std::string::npos) << stored;
            ASSERT_NE(stored.front(), '[');
            ASSERT_NE(stored.front(), ';');
            ASSERT_NE(stored.front(), ' ');
            ASSERT_NE(stored.back(), ' ');
            ASSERT_NE(stored.back(), '\t');
        }
    }
}

TEST(KeyEncoding, DecodingAcceptsLowerCaseHex) {
    EXPECT_EQ(decodeKeyName("%a%3db"), "a=b");
}

TEST(KeyEncoding, MalformedEncodedNamesMatchNothing) {
    for (const char* stored : {"%%", "%a%", "%a%4", "%a%zz", "%%g0"}) {
        SCOPED_TRACE(stored);
        EXPECT_EQ(decodeKeyName(stored), std::nullopt);
    }
}

} // namespace
} // namespace moxel
