#include "midi/DeviceEntry.h"

#include <gtest/gtest.h>

namespace moxel {
namespace {

using namespace std::literals;

TEST(DeviceEntry, EntriesAreNumberBarNameAndTheirNamePartFollowsTheFirstBar) {
    EXPECT_EQ(deviceEntryText(0, "Synth"), "1|Synth");
    EXPECT_EQ(deviceEntryText(99, "A|B"), "100|A|B");
    for (const std::string_view entry : {"1|Synth", "10|Synth", "99|Synth", "100|Synth"}) {
        EXPECT_EQ(entryNamePart(entry), "Synth") << entry;
        EXPECT_TRUE(storedNameMatchesEntry(entry, "Synth")) << entry;
    }
    EXPECT_EQ(entryNamePart("12|A|B"), "A|B");
    EXPECT_EQ(entryNamePart("3|"), "");
    for (const std::string_view marker : {kMidiOutNotFound, kAllocOther, kCapsFailed, kNoChannel}) {
        EXPECT_EQ(entryNamePart(marker), marker);
    }
    EXPECT_EQ(channelItemText(0), "1Ch");
    EXPECT_EQ(channelItemText(15), "16Ch");
}

TEST(DeviceEntry, TrimCutsAtNulAndEmptiesAllBlankNames) {
    const std::string wide = "\xE3\x80\x80"; // U+3000
    EXPECT_EQ(TrimDeviceName("Synth\0junk"s), "Synth");
    for (const std::string& blank : {""s, "   "s, wide + " " + wide, " \0x"s, "\0x"s}) {
        EXPECT_EQ(TrimDeviceName(blank), "") << blank;
    }
    for (const std::string& kept : {" Synth "s, "\t"s, "\xC2\xA0"s, wide + "x", "\xE3\x80\x81"s}) {
        EXPECT_EQ(TrimDeviceName(kept), kept);
    }
}

TEST(DeviceEntry, StoredNamesAlsoMatchInTheOlderFormAndNeverAPlaceholder) {
    EXPECT_TRUE(storedNameMatchesEntry("10|Synth", "|Synth")) << "older form";
    EXPECT_TRUE(storedNameMatchesEntry("100|Synth", "0|Synth")) << "older form";
    for (const std::string_view other : {"|Synth", "synth", "Synt", "Synth ", "1|Synth"}) {
        EXPECT_FALSE(storedNameMatchesEntry("1|Synth", other)) << other;
    }
    for (const std::string_view marker : {kMidiInNotFound, kAllocOther, kCapsFailed, kNoChannel}) {
        EXPECT_FALSE(storedNameMatchesEntry(marker, marker));
        EXPECT_FALSE(storedNameMatchesEntry(marker, marker.substr(2)));
    }
}

TEST(DeviceEntry, ACutStoredNameOfAtLeast124BytesMatchesTheBeginningOfTheName) {
    const std::string name = "USB " + std::string(130, 'x');
    const std::string entry = "12|" + name;
    EXPECT_TRUE(cutStoredNameBeginsEntry(entry, name.substr(0, 127)));
    EXPECT_TRUE(cutStoredNameBeginsEntry(entry, name.substr(0, 124)));
    EXPECT_FALSE(cutStoredNameBeginsEntry(entry, name.substr(0, 123))) << "too short to be cut";
    EXPECT_FALSE(cutStoredNameBeginsEntry(entry, name.substr(4, 124))) << "not its beginning";
    EXPECT_FALSE(cutStoredNameBeginsEntry(entry, entry.substr(0, 127))) << "not the name part";
    EXPECT_FALSE(cutStoredNameBeginsEntry(name, name.substr(0, 127))) << "a placeholder";
}

TEST(DeviceEntry, StoredChannelTextsAreWholeNumbersFromZeroToFifteen) {
    EXPECT_EQ(parseChannelText("0"), 0);
    EXPECT_EQ(parseChannelText("15"), 15);
    EXPECT_EQ(parseChannelText("03"), 3);
    for (const std::string_view text :
         {":"sv, "16"sv, "-1"sv, ""sv, " 3"sv, "3 "sv, "+3"sv, "1a"sv, "999"sv, "4294967299"sv,
          "\xEF\xBC\x93"sv, "1\xEF\xBC\x95"sv, "3\0"sv}) {
        EXPECT_EQ(parseChannelText(text), -1) << '"' << text << '"';
    }
}

} // namespace
} // namespace moxel
