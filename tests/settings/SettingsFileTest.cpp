// setting.ini: the INI text handled as bytes (key names, values, lines), the file on
// disk (reads, writes that never lose the old file) and where it lives.
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

const std::string kOld = "; keep me\r\n[Moxel Settings.]\r\nUpdateInCh=0\r\n";

const auto modeOf = [](const auto& path) {
    return unsigned(std::filesystem::status(path).permissions());
};

// fn's result as the user "nobody" (tests may run as root, whom no permission
// stops), or nothing when this process cannot switch to that user and back.
template <typename Fn> std::optional<std::string> asOrdinaryUser(Fn fn) {
    constexpr uid_t kNobody = 65534;
    if (getuid() != 0) {
        return fn();
    }
    if (setresgid(kNobody, kNobody, 0) != 0 || setresuid(kNobody, kNobody, 0) != 0) {
        setresgid(0, 0, 0);
        return std::nullopt;
    }
    std::string result = fn();
    if (setresuid(0, 0, 0) != 0 || setresgid(0, 0, 0) != 0) {
        std::abort(); // the rest of the tests would run as the wrong user
    }
    return result;
}

class SettingsFileTest : public ::testing::Test {
  protected:
    // The old file is intact and nothing else is in its folder (no temporary file).
    void expectOldFileAlone(const std::filesystem::path& old) {
        EXPECT_EQ(readFileBytes(old), kOld);
        for (const auto& entry : std::filesystem::directory_iterator(old.parent_path())) {
            EXPECT_EQ(entry.path(), old);
        }
    }

    test::TempDir dir;
    std::filesystem::path file = dir / "setting.ini";
    SettingsFile settings{file};
};

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

TEST_F(SettingsFileTest, WritesKeepPermissionsAndSymbolicLinksAndCreatePrivateFolders) {
    writeFileBytes(file, kOld);
    ASSERT_EQ(chmod(file.c_str(), 0604), 0);
    ASSERT_TRUE(settings.writeString("A", "1").ok());
    EXPECT_EQ(modeOf(file), 0604u);
    const mode_t savedMask = umask(027);
    ASSERT_TRUE(replaceFileAtomically(dir / "new", "x").ok());
    umask(savedMask);
    EXPECT_EQ(modeOf(dir / "new"), 0640u) << "0666 less the umask";

    std::filesystem::create_symlink(file, dir / "link.ini");
    ASSERT_TRUE(SettingsFile(dir / "link.ini").writeString("A", "2").ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(settings.readInt("A"), 2);

    SettingsFile nested(dir / "config" / "moxel" / "setting.ini");
    ASSERT_TRUE(nested.writeString("UpdateInCh", "1").ok());
    EXPECT_EQ(nested.readInt("UpdateInCh"), 1);
    EXPECT_EQ(modeOf(dir / "config") & 0077, 0u) << "a new configuration folder is private";
    EXPECT_EQ(modeOf(dir / "config" / "moxel") & 0077, 0u);
}

TEST_F(SettingsFileTest, FailedWritesKeepTheOldFileAndGiveTheSystemsReason) {
    writeFileBytes(file, kOld);
    rlimit saved{}; // a limit on the size of files this process writes: EFBIG, even for root
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = kOld.size() / 2;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const WriteOutcome tooBig = settings.writeString("UpdateInCh", "1");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(tooBig.status, WriteOutcome::Status::Failed);
    EXPECT_NE(tooBig.reason.find(std::strerror(EFBIG)), std::string::npos) << tooBig.reason;
    expectOldFileAlone(file);

    // An old file that cannot be read is not replaced, though the folder would allow it;
    // nor is one in a folder that cannot be written.
    const std::filesystem::path locked = dir / "locked" / "setting.ini";
    std::filesystem::create_directory(locked.parent_path());
    writeFileBytes(locked, kOld);
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    ASSERT_EQ(chmod(locked.parent_path().c_str(), 0555), 0);
    const auto failure = [](const std::filesystem::path& old) { // as an ordinary user
        const WriteOutcome outcome = SettingsFile(old).writeString("UpdateInCh", "1");
        return outcome.status == WriteOutcome::Status::Failed ? outcome.reason : "not failed";
    };
    const std::optional<std::string> unreadable = asOrdinaryUser([&] { return failure(file); });
    const std::optional<std::string> readOnly = asOrdinaryUser([&] { return failure(locked); });
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    if (!unreadable || !readOnly) {
        GTEST_SKIP() << "running as root and cannot switch to an ordinary user";
    }
    for (const std::string& reason : {*unreadable, *readOnly}) {
        EXPECT_NE(reason.find(std::strerror(EACCES)), std::string::npos) << reason;
    }
    expectOldFileAlone(locked);
    EXPECT_EQ(readFileBytes(file), kOld);
}

TEST_F(SettingsFileTest, WhatCannotBeReadOrCreatedFailsWithTheSystemsReason) {
    std::filesystem::create_directory(file); // a folder where the file should be
    writeFileBytes(file / "inside", "keep");
    const WriteOutcome folderInPlace = settings.writeString("UpdateInCh", "1");
    EXPECT_NE(folderInPlace.reason.find(std::strerror(EISDIR)), std::string::npos);
    EXPECT_EQ(readFileBytes(file / "inside"), "keep");

    writeFileBytes(dir / "plain", "");
    const WriteOutcome blocked =
        SettingsFile(dir / "plain" / "x" / "setting.ini").writeString("A", "1");
    EXPECT_EQ(blocked.status, WriteOutcome::Status::Failed);
    EXPECT_NE(blocked.reason.find(std::strerror(ENOTDIR)), std::string::npos) << blocked.reason;

    const FileResult missing = replaceFileAtomically(dir / "gone" / "setting.ini", "x");
    EXPECT_EQ(missing.errorNumber, ENOENT);
    EXPECT_NE(missing.reason.find(std::strerror(ENOENT)), std::string::npos) << missing.reason;
    EXPECT_NE(missing.reason.find("gone"), std::string::npos) << "names the folder";
    std::string bytes = "stale";
    EXPECT_EQ(readWholeFile(dir / "none", bytes).errorNumber, ENOENT);
    EXPECT_TRUE(bytes.empty());
}

// The program folder holds the file when it is writable or the file is already
// there; otherwise $XDG_CONFIG_HOME/moxel or $HOME/.config/moxel does.
TEST_F(SettingsFileTest, Location) {
    const std::filesystem::path program = dir / "program";
    const std::string programPath = program.string() + "/";
    std::filesystem::create_directory(program);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    EXPECT_EQ(settingsFileLocation(programPath, "/xdg", "/h"), programPath + "setting.ini");
    for (const std::string& app : {std::string(), (dir / "missing").string() + "/"}) {
        EXPECT_EQ(settingsFileLocation(app, "/xdg", "/h"), "/xdg/moxel/setting.ini");
        EXPECT_EQ(settingsFileLocation(app, "", "/h"), "/h/.config/moxel/setting.ini");
    }
    ASSERT_EQ(chmod(program.c_str(), 0555), 0);
    const auto locate = [&] { return settingsFileLocation(programPath, "/xdg", "/h").string(); };
    const std::optional<std::string> readOnly = asOrdinaryUser(locate);
    ASSERT_EQ(chmod(program.c_str(), 0755), 0);
    writeFileBytes(program / "setting.ini", "");
    ASSERT_EQ(chmod(program.c_str(), 0555), 0);
    const std::optional<std::string> readOnlyWithFile = asOrdinaryUser(locate);
    if (!readOnly || !readOnlyWithFile) {
        GTEST_SKIP() << "running as root and cannot switch to an ordinary user";
    }
    EXPECT_EQ(*readOnly, "/xdg/moxel/setting.ini");
    EXPECT_EQ(*readOnlyWithFile, programPath + "setting.ini");
}

} // namespace
} // namespace moxel
