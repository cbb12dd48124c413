#include "midi/DeviceEntry.h"

#include <gtest/gtest.h>
#include <tuple>

namespace moxel {
namespace {

using namespace std::literals;

// Entries are "number|name". A stored name matches the name, or the entry from its
// third character on as older versions stored it, or, cut to 124..127 bytes, the
// name's beginning. Trimming cuts at NUL; blank: space, U+3000.
TEST(DeviceEntry, EntriesAndTheDeviceNamesThatPickThem) {
    EXPECT_EQ(midi::deviceEntryText(0, "Synth") + " " + midi::deviceEntryText(99, "A|B"),
              "1|Synth 100|A|B");
    const std::tuple<int, std::string_view, bool> names[] = {
        {0, "Ab", true},    {99, "Ab", true},  {9, "|Ab", true},
        {99, "0|Ab", true}, {0, "|Ab", false}, {0, "ab", false},
        {0, "A", false},    {0, "Ab ", false}, {0, "1|Ab", false}};
    for (const auto& [id, stored, matches] : names) {
        EXPECT_EQ(midi::storedNameMatchesEntry(id, "Ab", stored), matches) << id << " / " << stored;
    }
    const std::string name = "USB " + std::string(130, 'x');
    for (const std::size_t length : {123, 124, 127}) {
        EXPECT_EQ(midi::cutStoredNameBeginsEntry(name, name.substr(0, length)), length >= 124);
    }
    EXPECT_FALSE(midi::cutStoredNameBeginsEntry(name, name.substr(4, 124))); // not its beginning
    EXPECT_EQ(midi::TrimDeviceName("Synth\0junk"s), "Synth");
    for (const std::string& blank : {""s, "   "s, "\xE3\x80\x80 \xE3\x80\x80"s, " \0x"s, "\0x"s}) {
        EXPECT_EQ(midi::TrimDeviceName(blank), "") << blank;
    }
    for (const std::string& kept : {" A"s, "\t"s, "\xC2\xA0"s, "\xE3\x80\x80x"s, "\xE3\x80\x81"s}) {
        EXPECT_EQ(midi::TrimDeviceName(kept), kept);
    }
}

TEST(DeviceEntry, ChannelsShowFrom1ChAndAreStoredAsWholeNumbersFrom0To15) {
    EXPECT_EQ(midi::channelItemText(0) + midi::channelItemText(15), "1Ch16Ch");
    EXPECT_EQ(midi::parseChannelText("0"), 0);
    EXPECT_EQ(midi::parseChannelText("15"), 15);
    EXPECT_EQ(midi::parseChannelText("03"), 3);
    for (const std::string_view text : {":"sv, "16"sv, "-1"sv, ""sv, " 3"sv, "3 "sv, "+3"sv, "1a"sv,
                                        "999"sv, "\xEF\xBC\x93"sv, "1\xEF\xBC\x95"sv, "3\0"sv}) {
        EXPECT_EQ(midi::parseChannelText(text), -1) << '"' << text << '"';
    }
}

} // namespace
} // namespace moxel
