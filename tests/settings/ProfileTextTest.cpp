#include "settings/ProfileText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace moxel {
namespace {

using namespace std::string_literals;

constexpr const char* kSection = "Moxel Settings.";

TEST(ProfileTextFind, SectionAndKeyNamesIgnoreAsciiCase) {
    const std::string content = "[moxel SETTINGS.]\r\nDEFAULTMIDIIN=Synth\r\nwindowtopmost=1\r\n";
    EXPECT_EQ(findProfileValue(content, kSection, "DefaultMidiIn"), "Synth");
    EXPECT_EQ(findProfileValue(content, kSection, "DefaultMIDIIn"), "Synth");
    EXPECT_EQ(findProfileValue(content, kSection, "WindowTopMost"), "1");
    EXPECT_EQ(findProfileValue(content, "Moxel Settings", "WindowTopMost"), std::nullopt);
}

TEST(ProfileTextFind, NonAsciiLettersMatchOnlyByteForByte) {
    const std::string content = "[S]\n\xC3\xA9=lower\n"; // é
    EXPECT_EQ(findProfileValue(content, "S", "\xC3\xA9"), "lower");
    EXPECT_EQ(findProfileValue(content, "S", "\xC3\x89"), std::nullopt); // É
}

TEST(ProfileTextFind, OnlyKeysOfTheSectionCount) {
    const std::string content = "Top=0\n"
                                "[Other]\n"
                                "Top=1\n"
                                "[Moxel Settings.]\n"
                                "; Top=2\n"
                                "Top\n"
                                "[Next]\n"
                                "Top=3\n";
    EXPECT_EQ(findProfileValue(content, kSection, "Top"), std::nullopt);
    EXPECT_EQ(findProfileValue(content, "Other", "Top"), "1");
    EXPECT_EQ(findProfileValue(content, "next", "top"), "3");
}

TEST(ProfileTextFind, FirstKeyWinsAcrossRepeatedSections) {
    const std::string content = "[S]\na=1\n[T]\nb=2\n[s]\nb=3\na=4\n";
    EXPECT_EQ(findProfileValue(content, "S", "a"), "1");
    EXPECT_EQ(findProfileValue(content, "S", "b"), "3");
    EXPECT_EQ(findProfileValue(content, "T", "b"), "2");
}

TEST(ProfileTextFind, LineShapes) {
    const struct {
        const char* line;
        std::optional<std::string> value;
    } cases[] = {
        {"k=v", "v"},
        {"  k  =  v  ", "v"},
        {"\tk\t=\tv w\t", "v w"},
        {"k=\" v \"", " v "},
        {"k=", ""},
        {"k=a=b", "a=b"},
        {";k=v", std::nullopt},
        {"  ;k=v", std::nullopt},
        {"k v", std::nullopt},
        {"=v", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::string content = "[S]\n"s + c.line;
        EXPECT_EQ(findProfileValue(content, "S", "k"), c.value) << c.line;
    }
}

TEST(ProfileTextFind, SectionHeaderShapes) {
    for (const char* header : {"[S]", "  [ S ]  ", "[S] ; note", "[S", "[s]"}) {
        EXPECT_EQ(findProfileValue(header + "\nk=1"s, "S", "k"), "1") << header;
    }
}

TEST(ProfileTextFind, ByteOrderMarkIsNotPartOfTheFirstLine) {
    EXPECT_EQ(findProfileValue("\xEF\xBB\xBF[S]\r\nk=1\r\n", "S", "k"), "1");
}

TEST(ProfileTextFind, EncodedNamesAreFoundByTheirName) {
    const std::string content = "[S]\n%A%3DB=1\n%Synth%20=2\n%%2541=3\n%bad%zz=4\n";
    EXPECT_EQ(findProfileValue(content, "S", "a=b"), "1");
    EXPECT_EQ(findProfileValue(content, "S", "Synth "), "2");
    EXPECT_EQ(findProfileValue(content, "S", "Synth"), std::nullopt);
    EXPECT_EQ(findProfileValue(content, "S", "%41"), "3");
    EXPECT_EQ(findProfileValue(content, "S", "%bad%zz"), std::nullopt);
}

// A file a user has edited by hand, with lines in several encodings.
const std::string kMixedFile = "; Moxel settings\r\n"
                               "\r\n"
                               "[Other]\r\n"
                               "Name=\x83\x84\x83\x7D\x83\x6E\r\n" // Shift-JIS
                               "[Moxel Settings.]\r\n"
                               "DefaultMIDIIn = Synth \r\n"
                               "Broken=\xC3\x28\xFF\xFE\r\n" // invalid UTF-8
                               "Unknown=kept\r\n"
                               "\r\n"
                               "[Last]\r\n"
                               "x=1"; // no line break at the end

TEST(ProfileTextSet, ReplacingAValueKeepsEveryOtherByte) {
    const std::string expected = "; Moxel settings\r\n"
                                 "\r\n"
                                 "[Other]\r\n"
                                 "Name=\x83\x84\x83\x7D\x83\x6E\r\n"
                                 "[Moxel Settings.]\r\n"
                                 "DefaultMIDIIn = \xE3\x82\xB7\xE3\x83\xB3\xE3\x82\xBB\r\n"
                                 "Broken=\xC3\x28\xFF\xFE\r\n"
                                 "Unknown=kept\r\n"
                                 "\r\n"
                                 "[Last]\r\n"
                                 "x=1";
    EXPECT_EQ(setProfileValue(kMixedFile, kSection, "defaultmidiin",
                              "\xE3\x82\xB7\xE3\x83\xB3\xE3\x82\xBB"),
              expected);
}

TEST(ProfileTextSet, NewKeyGoesAfterTheLastLineOfItsSection) {
    const std::string expected = "; Moxel settings\r\n"
                                 "\r\n"
                                 "[Other]\r\n"
                                 "Name=\x83\x84\x83\x7D\x83\x6E\r\n"
                                 "[Moxel Settings.]\r\n"
                                 "DefaultMIDIIn = Synth \r\n"
                                 "Broken=\xC3\x28\xFF\xFE\r\n"
                                 "Unknown=kept\r\n"
                                 "\x83\x84\x83\x7D=3\r\n"
                                 "\r\n"
                                 "[Last]\r\n"
                                 "x=1";
    EXPECT_EQ(setProfileValue(kMixedFile, kSection, "\x83\x84\x83\x7D", "3"), expected);
}

TEST(ProfileTextSet, NewSectionGoesAtTheEnd) {
    EXPECT_EQ(setProfileValue(kMixedFile, "New", "k", "v"), kMixedFile + "\r\n[New]\r\nk=v\r\n");
}

TEST(ProfileTextSet, NewKeyInALastSectionWithoutFinalLineBreak) {
    EXPECT_EQ(setProfileValue("[S]\nk=1", "S", "j", "2"), "[S]\nk=1\nj=2\n");
    EXPECT_EQ(setProfileValue("[S]", "S", "j", "2"), "[S]\r\nj=2\r\n");
    // A final "\r" is a line break cut short: completed, not taken into the line.
    EXPECT_EQ(setProfileValue("[S]\nk=1\r", "S", "j", "2"), "[S]\nk=1\r\nj=2\n");
    EXPECT_EQ(findProfileValue("[S]\nk=1\r", "S", "k"), "1");
    EXPECT_EQ(setProfileValue("[S]\nk=1\r", "S", "k", "2"), "[S]\nk=2\r");
}

TEST(ProfileTextSet, NewLinesFollowTheFilesLineBreaks) {
    const struct {
        std::string before;
        std::string after;
    } cases[] = {
        {"", "[S]\r\nk=v\r\n"},
        {"\xEF\xBB\xBF", "\xEF\xBB\xBF[S]\r\nk=v\r\n"},
        {"; lf\n", "; lf\n[S]\nk=v\n"},
        {"; crlf\r\n", "; crlf\r\n[S]\r\nk=v\r\n"},
        {"\xEF\xBB\xBF; lf\n", "\xEF\xBB\xBF; lf\n[S]\nk=v\n"},
        {"\n", "\n[S]\nk=v\n"},
        {"[S]\nold=1\n", "[S]\nold=1\nk=v\n"},
        {"[S]\r\nold=1\r\n", "[S]\r\nold=1\r\nk=v\r\n"},
        {"[S]\nk=1\r\n", "[S]\nk=v\r\n"}, // a replaced line keeps its own line break
    };
    for (const auto& c : cases) {
        EXPECT_EQ(setProfileValue(c.before, "S", "k", "v"), c.after) << c.before;
    }
}

TEST(ProfileTextSet, OnlyTheFirstOfDuplicateKeysChanges) {
    EXPECT_EQ(setProfileValue("[S]\nK=1\nk=2\n[s]\nk=3\n", "S", "k", "9"),
              "[S]\nK=9\nk=2\n[s]\nk=3\n");
    EXPECT_EQ(setProfileValue("[S]\na=1\n[T]\n[s]\nk=3\n", "S", "k", "9"),
              "[S]\na=1\n[T]\n[s]\nk=9\n");
}

TEST(ProfileTextSet, ValuesThatNeedQuotesGetThem) {
    EXPECT_EQ(setProfileValue("[S]\nk = old \n", "S", "k", " Synth "), "[S]\nk = \" Synth \"\n");
    EXPECT_EQ(setProfileValue("[S]\nk=old\n", "S", "k", ""), "[S]\nk=\n");
}

TEST(ProfileTextSet, AwkwardKeyNamesAreStoredEncodedAndLeaveOtherKeysAlone) {
    const std::string original = "[S]\nA=plain\nx=plain x\nSynth=plain synth\n";
    const std::string names[] = {
        "A=B",
        "[x",
        ";x",
        " x",
        "x ",
        "x\t",
        "Synth ",
        " Synth",
        "\xE3\x80\x80x",
        "x\xE3\x80\x80",
        "%41",
        "a\r\nb",
        "a\nb",
        "=",
        "a\0b"s,
        "[S]",
        "%",
        "%%",
    };
    std::string content = original;
    for (std::size_t i = 0; i < std::size(names); ++i) {
        content = setProfileValue(content, "S", names[i], "v" + std::to_string(i));
    }
    for (std::size_t i = 0; i < std::size(names); ++i) {
        EXPECT_EQ(findProfileValue(content, "S", names[i]), "v" + std::to_string(i)) << "key " << i;
    }
    EXPECT_EQ(findProfileValue(content, "S", "A"), "plain");
    EXPECT_EQ(findProfileValue(content, "S", "x"), "plain x");
    EXPECT_EQ(findProfileValue(content, "S", "Synth"), "plain synth");
    EXPECT_EQ(findProfileValue(content, "S", "a"), "plain");
    // The original lines stand first, unchanged, one added line per name after them.
    ASSERT_TRUE(content.starts_with(original));
    const std::string added = content.substr(original.size());
    EXPECT_EQ(static_cast<std::size_t>(std::count(added.begin(), added.end(), '\n')),
              std::size(names));
    for (std::size_t pos = 0; pos < added.size(); pos = added.find('\n', pos) + 1) {
        EXPECT_EQ(added[pos], '%') << added.substr(pos);
    }
}

TEST(ProfileTextSet, SectionNamesThatCannotBeStored) {
    for (const char* section : {"", "a]b", " a", "a ", "a\nb", "a\rb"}) {
        EXPECT_FALSE(isStorableSectionName(section)) << section;
    }
    EXPECT_TRUE(isStorableSectionName("Moxel Settings."));
}

} // namespace
} // namespace moxel
