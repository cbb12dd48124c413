// setting.ini: the INI text handled as bytes (key names, values, lines), the file on
// disk (reads, writes that never lose the old file) and where it lives.
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "SettingsFixture.h"
#include "encoding/Utf8Path.h"
#include "settings/AtomicFile.h"
#include "settings/KeyEncoding.h"
#include "settings/ProfileText.h"
#include "settings/ProfileValue.h"
#include "support/TempDir.h"

namespace moxel {
namespace {

using namespace std::string_literals;
using test::readFileBytes;
using test::writeFileBytes;

TEST(KeyEncoding, NamesAnIniLineCannotCarryAreStoredEscapedAfterAPercent) {
    for (const std::string& name :
         {"Synth"s, "USB MIDI"s, "a%b"s, "a;b"s, "a[b]"s, "Mid\u3000Name"s, "\u30E4\u30DE\u30CF"s,
          "\x83\x84\x83\x7D\x83\x6E"s /* SJIS */}) {
        EXPECT_FALSE(keyNameNeedsEncoding(name)) << name;
        EXPECT_EQ(encodeKeyName(name), name);
        EXPECT_EQ(decodeKeyName(name), name);
    }
    const std::pair<std::string, std::string> encoded[] = {
        {";x", "%;x"},     {"a\rb", "%a%0Db"},      {"x\u3000", "%x%E3%80%80"},
        {"[S]", "%[S]"},   {"a\0b"s, "%a%00b"},     {"\u3000x", "%%E3%80%80x"},
        {"\tx", "%%09x"},  {"Synth ", "%Synth%20"}, {"\x7F\tx ", "%%7F%09x%20"},
        {"A=B", "%A%3DB"}, {" Synth", "%%20Synth"}, {"  a b  ", "%%20%20a b%20%20"},
        {"%41", "%%2541"}, {"a\r\nb", "%a%0D%0Ab"},
    };
    for (const auto& [name, stored] : encoded) {
        EXPECT_TRUE(keyNameNeedsEncoding(name)) << name;
        EXPECT_EQ(encodeKeyName(name), stored);
        EXPECT_EQ(decodeKeyName(stored), name);
    }
    EXPECT_EQ(decodeKeyName("%a%3db"), "a=b") << "lower-case hex";
    for (const char* malformed : {"%%", "%a%", "%a%4", "%a%zz", "%%g0"}) {
        EXPECT_EQ(decodeKeyName(malformed), std::nullopt) << malformed;
    }
}

std::string digits(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += static_cast<char>('0' + i % 10);
    }
    return s;
}

TEST(ProfileValue, ReadsKeep127BytesAndNeverSplitAUtf8Character) {
    for (const std::size_t length : {0, 100, 127, 128, 200}) {
        EXPECT_EQ(cutToProfileLimit(digits(length)), digits(std::min<std::size_t>(length, 127)));
    }
    EXPECT_EQ(cutToProfileLimit("\u3042" + digits(200)), "\u3042" + digits(124));
    // A 2, 3 or 4-byte character at each place around the limit.
    for (const std::string character : {"\u00E9", "\u3042", "\U0001F3B9"}) {
        for (std::size_t at = 120; at <= 127; ++at) {
            const std::string value = digits(at) + character + digits(10);
            const std::size_t kept = at < 127 && at + character.size() > 127 ? at : 127;
            EXPECT_EQ(cutToProfileLimit(value), value.substr(0, kept)) << at << " " << character;
        }
    }
    // Other bytes are cut where they stand: Shift-JIS, broken or overlong UTF-8, a
    // surrogate, stray continuation bytes, beyond U+10FFFF.
    for (const std::string bytes :
         {"\x82\xA0", "\xE3\x80", "\xE0\x80\x80", "\xC0\x80", "\xED\xA0\x80", "\x81\x82\x83",
          "\xF4\x90\x80\x80", "\xF5\x80\x80\x80"}) {
        for (std::size_t at = 124; at <= 126; ++at) {
            const std::string value = digits(at) + bytes + "bbbb";
            EXPECT_EQ(cutToProfileLimit(value), value.substr(0, 127)) << at << " " << bytes;
        }
    }
}

TEST(ProfileValue, WholeNumbersReadLikeTheProfileFunctions) {
    constexpr std::int32_t kMax = INT32_MAX, kMin = INT32_MIN;
    const std::pair<const char*, std::int32_t> cases[] = {
        {"", 0},   {"+5", 5},  {"007", 7},  {"0x10", 0},          {"-2147483648", kMin},
        {"2", 2},  {"-1", -1}, {"1 2", 1},  {"12abc", 12},        {"99999999999999999999", kMax},
        {"-", 0},  {"abc", 0}, {"15", 15},  {"2147483647", kMax}, {"-99999999999999999999", kMin},
        {" 7", 7}, {"- 5", 0}, {"\t 7", 7}, {"2147483648", kMax},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(parseProfileInt(text), value) << '"' << text << '"';
    }
}

TEST(ProfileValue, BlanksAroundAndOnePairOfQuotesAreDroppedSoEveryValueReadsBack) {
    for (const char* value : {"", "Synth", " Synth", "Synth ", "\tx\t", "  ", "\"x\"", "\"", "\"x",
                              "x\"", "\" \"", "\"\"", "a \"b\" c", "\u3000x"}) {
        EXPECT_TRUE(valueFitsOnLine(value));
        EXPECT_EQ(valueFromLine("  " + valueForLine(value) + " \t"), value) << value;
    }
    for (const char* plain : {"0", "15", "USB MIDI", "\"x", "\u3000x\u3000"}) {
        EXPECT_EQ(valueForLine(plain), plain) << "needs no quotes";
    }
    for (const char* broken : {"a\nb", "a\r", "\r\n"}) {
        EXPECT_FALSE(valueFitsOnLine(broken));
    }
}

TEST(ProfileText, KeysAreFoundInTheirSectionByNameIgnoringAsciiCase) {
    const std::string content = "Top=0\n[Other]\nTop=1\n[moxel SETTINGS.]\r\n; Top=2\nTop\n"
                                "DEFAULTMIDIIN=Synth\r\n\xC3\xA9=lower\n%A%3DB=1\n%Synth%20=2\n"
                                "%%2541=3\n%bad%zz=4\n;k=5\n[Next]\nTop=3\n[moxel settings.]\n"
                                "defaultmidiin=second\nLate=6\n";
    const std::pair<const char*, std::optional<std::string>> keys[] = {
        {";k", {}},   {"%41", "3"},  {"Synth ", "2"},  {"\xC3\xA9", "lower"},
        {"Top", {}},  {"late", "6"}, {"%bad%zz", {}},  {"DefaultMidiIn", "Synth"},
        {"a=b", "1"}, {"Synth", {}}, {"\xC3\x89", {}},
    };
    for (const auto& [key, value] : keys) {
        EXPECT_EQ(findProfileValue(content, "Moxel Settings.", key), value) << key;
    }
    EXPECT_EQ(findProfileValue(content, "Other", "top"), "1");
    EXPECT_EQ(findProfileValue(content, "NEXT", "Top"), "3");
    EXPECT_EQ(findProfileValue(content, "Moxel Settings", "DefaultMidiIn"), std::nullopt);
}

TEST(ProfileText, LineShapes) {
    const std::pair<const char*, std::optional<std::string>> lines[] = {
        {"k=", ""}, {"k v", {}},  {";k=v", {}},   {"k=a=b", "a=b"},     {"k=\" v \"", " v "},
        {"=v", {}}, {"k=v", "v"}, {"  ;k=v", {}}, {"  k  =  v  ", "v"}, {"\tk\t=\tv w\t", "v w"},
    };
    for (const auto& [line, value] : lines) {
        EXPECT_EQ(findProfileValue("[S]\n"s + line, "S", "k"), value) << line;
    }
    for (const char* header : {"[S]", "  [ S ]  ", "[S] ; note", "[S", "[s]", "\xEF\xBB\xBF[S]"}) {
        EXPECT_EQ(findProfileValue(header + "\r\nk=1\r\n"s, "S", "k"), "1") << header;
    }
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

// A file a user has edited by hand, with lines in several encodings.
const std::string kMixed = "; Moxel settings\r\n\r\n[Other]\r\nName=\x83\x84\x83\x7D\r\n"
                           "[Moxel Settings.]\r\nDefaultMIDIIn = Synth \r\nBroken=\xC3\x28\xFF\r\n"
                           "Unknown=kept\r\n\r\n[Last]\r\nx=1"; // no line break at the end

TEST(ProfileText, SettingAValueKeepsEveryOtherByte) {
    const std::string sjis = "\x83\x84\x83\x7D", shin = "\u30B7\u30F3";
    EXPECT_EQ(setProfileValue(kMixed, "Moxel Settings.", "defaultmidiin", shin),
              replaced(kMixed, "= Synth \r\n", "= " + shin + "\r\n"));
    EXPECT_EQ(setProfileValue(kMixed, "Moxel Settings.", sjis, "3"),
              replaced(kMixed, "kept\r\n", "kept\r\n" + sjis + "=3\r\n"));
    EXPECT_EQ(setProfileValue(kMixed, "New", "k", "v"), kMixed + "\r\n[New]\r\nk=v\r\n");
    // Before and after setting k to v in section S.
    const std::pair<std::string, std::string> cases[] = {
        {"", "[S]\r\nk=v\r\n"},           {"[S]\nj=1\n", "[S]\nj=1\nk=v\n"},
        {"\n", "\n[S]\nk=v\n"},           {"[S]\nj=1\r", "[S]\nj=1\r\nk=v\n"},
        {"[S]", "[S]\r\nk=v\r\n"},        {"[S]\nk = old \n", "[S]\nk = v\n"},
        {"[S]\nk=1\r", "[S]\nk=v\r"},     {"[S]\r\nj=1\r", "[S]\r\nj=1\r\nk=v\r\n"},
        {"; lf\n", "; lf\n[S]\nk=v\n"},   {"\xEF\xBB\xBF", "\xEF\xBB\xBF[S]\r\nk=v\r\n"},
        {"[S]\nj=1", "[S]\nj=1\nk=v\n"},  {"\xEF\xBB\xBF;\n", "\xEF\xBB\xBF;\n[S]\nk=v\n"},
        {"[S]\nk=1\r\n", "[S]\nk=v\r\n"},
    };
    for (const auto& [before, after] : cases) {
        EXPECT_EQ(setProfileValue(before, "S", "k", "v"), after) << before;
    }
    // A section in parts: the first key in any part changes, a new key joins the first part.
    EXPECT_EQ(setProfileValue("[S]\nK=1\n[s]\nk=3\n", "S", "k", "v"), "[S]\nK=v\n[s]\nk=3\n");
    EXPECT_EQ(setProfileValue("[S]\na=1\n[s]\nk=3\n", "S", "k", "v"), "[S]\na=1\n[s]\nk=v\n");
    EXPECT_EQ(setProfileValue("[S]\na=1\n\n[s]\n", "S", "k", "v"), "[S]\na=1\nk=v\n\n[s]\n");
    EXPECT_EQ(setProfileValue("[S]\nk=old\n", "S", "k", " v "), "[S]\nk=\" v \"\n");
    EXPECT_EQ(setProfileValue("[S]\n", "S", "k", "\"v\""), "[S]\nk=\"\"v\"\"\n");
    for (const char* section : {"", "a]b", " a", "a ", "a\nb", "a\rb", "\ta"}) {
        EXPECT_FALSE(isStorableSectionName(section)) << "a line cannot carry " << section;
    }
    EXPECT_TRUE(isStorableSectionName("Moxel Settings."));
}

TEST_F(SettingsFileTest, ReadsGiveTheDefaultUntilAWriteCreatesFileSectionAndKey) {
    EXPECT_EQ(settings.readString("DefaultMidiIn", "In"), "In");
    EXPECT_EQ(settings.readInt("WindowTopMost"), 0);
    EXPECT_FALSE(std::filesystem::exists(file)) << "reading creates nothing";
    const std::string bytes = "\x83\x84\x83\x7D\xC3\x28\xFF"; // Shift-JIS, broken UTF-8
    ASSERT_TRUE(settings.writeString("DefaultMIDIIn", "In").ok());
    ASSERT_TRUE(settings.writeString("Synth ", bytes).ok());
    ASSERT_TRUE(settings.writeString("DEFAULTMIDIIN", " padded ").ok());
    EXPECT_EQ(readFileBytes(file),
              "[Moxel Settings.]\r\nDefaultMIDIIn=\" padded \"\r\n%Synth%20=" + bytes + "\r\n");
    EXPECT_EQ(settings.readString("defaultmidiin", ""), " padded ");
    EXPECT_EQ(settings.readString("Synth ", ""), bytes);
    EXPECT_EQ(settings.readInt("WindowTopMost"), 0);
    EXPECT_EQ(settings.readString("", "default"), "default");
    const std::string value = std::string(126, 'x') + "\u3042" + std::string(100, 'y');
    ASSERT_TRUE(settings.writeString("Long", value).ok());
    EXPECT_NE(readFileBytes(file).find(value), std::string::npos) << "stored whole";
    EXPECT_EQ(settings.readString("Long", ""), std::string(126, 'x')) << "never half a character";
    EXPECT_EQ(settings.readString("Missing", std::string(200, 'd')), std::string(127, 'd'));
}

TEST_F(SettingsFileTest, AnEmptyKeyOrALineBreakInTheValueStoresNothing) {
    writeFileBytes(file, kOld);
    SettingsFile nested(dir / "sub" / "setting.ini");
    for (const auto& [key, value] : {std::pair{"", "1"}, {"A", "two\nlines"}, {"B", "cr\r"}}) {
        const WriteOutcome outcome = settings.writeString(key, value);
        EXPECT_EQ(outcome.status, WriteOutcome::Status::Skipped) << key;
        EXPECT_FALSE(outcome.reason.empty());
        EXPECT_EQ(nested.writeString(key, value).status, WriteOutcome::Status::Skipped);
    }
    expectOldFileAlone(file);
}

// The program folder holds the file when it is writable or the file is already
// there; otherwise the user's folder does: $XDG_CONFIG_HOME/moxel or
// $HOME/.config/moxel on Linux, %APPDATA%\Moxel on Windows.
TEST_F(SettingsFileTest, LivesBesideTheProgramElseInTheUsersFolder) {
    constexpr auto separator = static_cast<char>(std::filesystem::path::preferred_separator);
    const std::filesystem::path program = dir / pathFromUtf8("プログラム フォルダ");
    std::filesystem::create_directory(program);
    const std::filesystem::path user = dir / "user";
    EXPECT_EQ(settingsFileLocation(utf8FromPath(program) + separator, user),
              program / "setting.ini");
    for (const std::string& app : {std::string(), utf8FromPath(dir / "missing") + separator}) {
        EXPECT_EQ(settingsFileLocation(app, user), user / "setting.ini") << app;
    }
    EXPECT_EQ(xdgSettingsFolder("/xdg", "/h").generic_string(), "/xdg/moxel");
    EXPECT_EQ(xdgSettingsFolder("", "/h").generic_string(), "/h/.config/moxel");
    const std::string roaming = "C:\\Users\\ユーザー\\AppData\\Roaming";
    EXPECT_EQ(utf8FromPath(appDataSettingsFolder(roaming)), roaming + separator + "Moxel");
}

} // namespace
} // namespace moxel
