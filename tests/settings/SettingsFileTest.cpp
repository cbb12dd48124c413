// setting.ini: its text as bytes (key names, values, lines), the file on disk, its place.
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

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

// Each name and how it is stored: as it is, or after a "%" with bytes escaped.
TEST(KeyEncoding, NamesAnIniLineCannotCarryAreStoredEscapedAfterAPercent) {
    const std::pair<std::string, std::string> names[] = {
        {"Synth", "Synth"}, {"a%b", "a%b"},           {"a;b", "a;b"},
        {"a[b]", "a[b]"},   {"M\u3000N", "M\u3000N"}, {"\x83\x84\x83\x7D", "\x83\x84\x83\x7D"},
        {";x", "%;x"},      {"a\rb", "%a%0Db"},       {"x\u3000", "%x%E3%80%80"},
        {"[S]", "%[S]"},    {"a\0b"s, "%a%00b"},      {"\u3000x", "%%E3%80%80x"},
        {"\tx", "%%09x"},   {"Synth ", "%Synth%20"},  {"\x7F\tx ", "%%7F%09x%20"},
        {"A=B", "%A%3DB"},  {" Synth", "%%20Synth"},  {"  a b  ", "%%20%20a b%20%20"},
        {"%41", "%%2541"},  {"a\r\nb", "%a%0D%0Ab"}};
    for (const auto& [name, stored] : names) {
        EXPECT_EQ(keyNameNeedsEncoding(name), name != stored) << name;
        EXPECT_EQ(encodeKeyName(name), stored);
        EXPECT_EQ(decodeKeyName(stored), name);
    }
    EXPECT_EQ(decodeKeyName("%a%3db"), "a=b") << "lower-case hex";
    EXPECT_FALSE(decodeKeyName("%%") || decodeKeyName("%a%") || decodeKeyName("%a%4") ||
                 decodeKeyName("%a%zz") || decodeKeyName("%%g0"));
}

// A 2, 3 or 4-byte character at each place around the limit is kept whole or cut
// before; other bytes (Shift-JIS, broken or overlong UTF-8, a surrogate, stray
// continuation bytes, beyond U+10FFFF) are cut where they stand.
TEST(ProfileValue, ReadsKeep127BytesAndNeverSplitAUtf8Character) {
    for (const std::size_t length : {0, 127, 128, 200}) {
        EXPECT_EQ(cutToProfileLimit(std::string(length, 'x')).size(), length < 127 ? length : 127);
    }
    EXPECT_EQ(cutToProfileLimit("\u3042" + std::string(200, 'x')),
              "\u3042" + std::string(124, 'x'));
    const std::string runs[] = {"\u00E9",           "\u3042",          "\U0001F3B9",
                                "\x82\xA0",         "\xE3\x80",        "\xE0\x80\x80",
                                "\xC0\x80",         "\xED\xA0\x80",    "\x81\x82\x83",
                                "\xF4\x90\x80\x80", "\xF5\x80\x80\x80"};
    for (const std::string& bytes : runs) {
        const bool character = &bytes < runs + 3;
        for (std::size_t at = 120; at <= 127; ++at) {
            const std::string value = std::string(at, 'x') + bytes + std::string(10, 'y');
            const bool split = character && at < 127 && at + bytes.size() > 127;
            EXPECT_EQ(cutToProfileLimit(value), value.substr(0, split ? at : 127)) << at << bytes;
        }
    }
}

TEST(ProfileValue, WholeNumbersReadLikeTheProfileFunctionsAndEveryValueReadsBack) {
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
    // Blanks around and one pair of quotes are dropped, so every value reads back.
    for (const char* value : {"", "Synth", " Synth", "Synth ", "\tx\t", "  ", "\"x\"", "\"", "\"x",
                              "x\"", "\" \"", "\"\"", "a \"b\" c", "\u3000x"}) {
        EXPECT_EQ(valueFromLine("  " + valueForLine(value) + " \t"), value) << value;
    }
    for (const char* plain : {"0", "15", "USB MIDI", "\"x", "\u3000x\u3000"}) {
        EXPECT_EQ(valueForLine(plain), plain) << "needs no quotes";
    }
    EXPECT_FALSE(valueFitsOnLine("a\nb") || valueFitsOnLine("a\r") || valueFitsOnLine("\r\n"));
}

// Keys are found in the first part of their section that holds them, by name
// ignoring ASCII case; lines of every shape around them.
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
    // CR, LF and CRLF alike end a line, also a lone CR amid CRLF text.
    for (const char* text :
         {"[S]\r\nj=0\rk=1\r\n", "[S]\rk=1\r", "[S]\nj=0\r\rk=1", "[S]\r\nk=1"}) {
        EXPECT_EQ(findProfileValue(text, "S", "k"), "1") << text;
    }
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

TEST(ProfileText, SettingAValueKeepsEveryOtherByte) {
    // A file a user has edited by hand, with lines in several encodings.
    const std::string mixed =
        "; Moxel settings\r\n\r\n[Other]\r\nName=\x83\x84\x83\x7D\r\n"
        "[Moxel Settings.]\r\nDefaultMIDIIn = Synth \r\nBroken=\xC3\x28\xFF\r\n"
        "Unknown=kept\r\n\r\n[Last]\r\nx=1"; // no line break at the end
    const std::string sjis = "\x83\x84\x83\x7D", shin = "\u30B7\u30F3";
    EXPECT_EQ(setProfileValue(mixed, "Moxel Settings.", "defaultmidiin", shin),
              replaced(mixed, "= Synth \r\n", "= " + shin + "\r\n"));
    EXPECT_EQ(setProfileValue(mixed, "Moxel Settings.", sjis, "3"),
              replaced(mixed, "kept\r\n", "kept\r\n" + sjis + "=3\r\n"));
    EXPECT_EQ(setProfileValue(mixed, "New", "k", "v"), mixed + "\r\n[New]\r\nk=v\r\n");
    // Before and after setting k to v in section S.
    const std::pair<std::string, std::string> cases[] = {
        {"", "[S]\r\nk=v\r\n"},
        {"[S]\nj=1\n", "[S]\nj=1\nk=v\n"},
        {"\n", "\n[S]\nk=v\n"},
        {"[S]\nj=1\r", "[S]\nj=1\rk=v\n"},
        {"[S]", "[S]\r\nk=v\r\n"},
        {"[S]\nk = old \n", "[S]\nk = v\n"},
        {"[S]\nk=1\r", "[S]\nk=v\r"},
        {"[S]\r\nj=1\r", "[S]\r\nj=1\rk=v\r\n"},
        {"[S]\rj=1\r", "[S]\rj=1\rk=v\r"},
        {"[S]\r\nk=1\rj=2\r\n", "[S]\r\nk=v\rj=2\r\n"},
        {"; lf\n", "; lf\n[S]\nk=v\n"},
        {"\xEF\xBB\xBF", "\xEF\xBB\xBF[S]\r\nk=v\r\n"},
        {"[S]\nj=1", "[S]\nj=1\nk=v\n"},
        {"\xEF\xBB\xBF;\n", "\xEF\xBB\xBF;\n[S]\nk=v\n"},
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
    EXPECT_EQ(setProfileValue("[S]\n", "S", "A=B", "v"), "[S]\n%A%3DB=v\n") << "stored encoded";
    for (const char* section : {"", "a]b", " a", "a ", "a\nb", "a\rb", "\ta"}) {
        EXPECT_FALSE(isStorableSectionName(section)) << "a line cannot carry " << section;
    }
}

// Nothing is written, nor a folder made, for an empty key or a line break in the value.
TEST_F(SettingsFileTest, ReadsGiveTheDefaultUntilAWriteCreatesFileSectionAndKey) {
    EXPECT_EQ(settings.readString("Missing", std::string(200, 'd')), std::string(127, 'd'));
    EXPECT_EQ(settings.readInt("WindowTopMost"), 0);
    EXPECT_FALSE(std::filesystem::exists(file)) << "reading creates nothing";
    const std::string value = std::string(126, 'x') + "\u3042" + std::string(100, 'y');
    ASSERT_TRUE(settings.writeString("DefaultMIDIIn", "In").ok());
    EXPECT_EQ(readFileBytes(file), "[Moxel Settings.]\r\nDefaultMIDIIn=In\r\n");
    ASSERT_TRUE(settings.writeString("Long", value).ok());
    EXPECT_EQ(settings.readString("Long", ""), std::string(126, 'x')) << "never half a character";
    EXPECT_EQ(settings.readString("", "default"), "default");
    SettingsFile nested(dir / "sub" / "setting.ini");
    for (const auto& [key, value] : {std::pair{"", "1"}, {"A", "two\nlines"}, {"B", "cr\r"}}) {
        const WriteOutcome outcome = nested.writeString(key, value);
        EXPECT_TRUE(outcome.status == WriteOutcome::Status::Skipped && !outcome.reason.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "sub"));
}

// A file where a folder should be, a folder or a file that is not there: each
// fails, naming it.
TEST_F(SettingsFileTest, WhatCannotBeReadOrCreatedFailsNamingIt) {
    writeFileBytes(dir / "plain", "");
    const WriteOutcome blocked =
        SettingsFile(dir / "plain" / "x" / "setting.ini").writeString("A", "1");
    EXPECT_EQ(blocked.status, WriteOutcome::Status::Failed);
    EXPECT_NE(blocked.reason.find("plain"), std::string::npos) << blocked.reason;
    const FileResult missing = updateFileAtomically(dir / "gone" / "setting.ini",
                                                    [](std::string&) { return FileResult{}; });
    EXPECT_EQ(missing.errorNumber, ENOENT);
    EXPECT_NE(missing.reason.find("gone"), std::string::npos) << missing.reason;
    std::string bytes = "stale";
    EXPECT_EQ(readWholeFile(dir / "none", bytes).errorNumber, ENOENT);
    EXPECT_TRUE(bytes.empty());
}

// What a path is, what it names and what that holds, and what else its folder holds.
std::string fingerprint(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    std::string print = std::to_string(int(fs::symlink_status(path).type())) + " " +
                        std::to_string(int(fs::status(path).type())) + " " +
                        std::to_string(unsigned(fs::status(path).permissions()));
    print += fs::is_regular_file(path) ? readFileBytes(path) : "";
    for (const auto& entry : fs::directory_iterator(path.parent_path())) {
        print += "|" + entry.path().filename().string();
    }
    return print;
}

#ifndef _WIN32
// A symbolic link to a character device: a node of this test's own when it
// may make one (as the superuser), so a broken refusal cannot replace the
// system's, else the system's.
std::function<void(const std::filesystem::path&)> linkToDevice(const char* system, dev_t number) {
    return [=](const std::filesystem::path& link) {
        const std::filesystem::path node = link.string() + "-node";
        const bool own = mknod(node.c_str(), S_IFCHR | 0666, number) == 0;
        std::filesystem::create_symlink(own ? node : system, link);
    };
}
#endif

// Only a regular file is read or replaced: anything else reads the defaults at
// once, and a write is refused with the reason and leaves it as it was. A
// read-only file reads but is not replaced, nor is one that the write would
// make too large to be read.
TEST_F(SettingsFileTest, OnlyARegularFileIsReadAndOnlyAWritableOneIsReplaced) {
    namespace fs = std::filesystem;
    const std::string small = "[Moxel Settings.]\r\nDefaultMIDIIn=In\r\n";
    const struct {
        const char* name;
        std::function<void(const fs::path&)> make;
        const char* refusal;
    } kinds[] = {
        {"folder", [](const fs::path& p) { fs::create_directories(p / "inside"); },
         "\" is not a regular file but a folder"},
        {"large", [&](const fs::path& p) { writeFileBytes(p, small + std::string(1 << 20, ';')); },
         "\" is larger than 1 MiB, too large for a settings file"},
        {"full",
         [&](const fs::path& p) {
             writeFileBytes(p, small + std::string(kFileSizeLimit - small.size(), ';'));
         },
         "\" would grow larger than 1 MiB, too large for a settings file; it is left as it is"},
        {"read-only",
         [&](const fs::path& p) {
             writeFileBytes(p, small);
             fs::permissions(p, fs::perms::owner_read | fs::perms::group_read);
         },
         "\" is read-only"},
#ifndef _WIN32
        {"fifo", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); },
         "\" is not a regular file but a FIFO (named pipe)"},
        {"null", linkToDevice("/dev/null", makedev(1, 3)),
         " is not a regular file but a character"},
        {"zero", linkToDevice("/dev/zero", makedev(1, 5)),
         " is not a regular file but a character"},
#endif
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.name);
        const fs::path path = dir / kind.name;
        kind.make(path);
        const std::string before = fingerprint(path);
        SettingsFile settings(path);
        const bool readable = kind.name == "read-only"s || kind.name == "full"s;
        EXPECT_EQ(settings.readString("DefaultMidiIn", "none"), readable ? "In" : "none");
        EXPECT_EQ(settings.readInt("DefaultMidiIn"), 0);
        // Checked before a write is tried: the device may be the system's.
        ASSERT_EQ(settings.readProblem().value_or("").find(kind.refusal) != std::string::npos,
                  !readable)
            << settings.readProblem().value_or("");
        const WriteOutcome written = settings.writeString("DefaultMIDIIn", "Out");
        EXPECT_EQ(written.status, WriteOutcome::Status::Failed);
        EXPECT_NE(written.reason.find(kind.refusal), std::string::npos) << written.reason;
        EXPECT_EQ(fingerprint(path), before);
        if (readable) {
            fs::permissions(path, fs::perms::owner_write, fs::perm_options::add); // to remove it
        }
    }
}

// Two Moxels writing the file at once: each reads what the other wrote, so
// no update is lost. The file is large, so that each write takes a while;
// on a busy machine one writer may hold it for seconds while the other waits.
TEST_F(SettingsFileTest, TwoWritersLoseNoUpdate) {
    writeFileBytes(file, "[Filler]\r\nx=" + std::string(900000, 'x') + "\r\n");
    const auto writeKeys = [&](char name) {
        for (int i = 0; i < 12; ++i) {
            const std::string key = name + std::to_string(i);
            EXPECT_TRUE(SettingsFile(file).writeString(key, "1", std::chrono::minutes(1)).ok());
        }
    };
    std::thread first(writeKeys, 'A');
    std::thread second(writeKeys, 'B');
    first.join();
    second.join();
    std::string lost;
    for (const char name : {'A', 'B'}) {
        for (int i = 0; i < 12; ++i) {
            lost += settings.readInt(name + std::to_string(i)) == 1 ? "" : name + std::to_string(i);
        }
    }
    EXPECT_EQ(lost, "");
}

// A program folder of the user's own holds the file when it is writable or the
// file is already there; otherwise the user's folder does: $XDG_CONFIG_HOME/moxel or
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
