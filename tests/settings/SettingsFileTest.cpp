#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "support/TempDir.h"

namespace moxel {
namespace {

using test::readFileBytes;
using test::TempDir;
using test::writeFileBytes;

class SettingsFileTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::filesystem::path file = dir / "setting.ini";
    SettingsFile settings{file};
};

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndReadsCreateNothing) {
    EXPECT_EQ(settings.readString("DefaultMidiIn", ""), "");
    EXPECT_EQ(settings.readString("Synth", "0"), "0");
    EXPECT_EQ(settings.readInt("WindowTopMost"), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(SettingsFileTest, MissingSectionOrKeyGivesDefaults) {
    writeFileBytes(file, "[Other]\r\nWindowTopMost=1\r\n");
    EXPECT_EQ(settings.readInt("WindowTopMost"), 0);
    writeFileBytes(file, "[Moxel Settings.]\r\nUpdateInCh=1\r\n");
    EXPECT_EQ(settings.readInt("WindowTopMost"), 0);
    EXPECT_EQ(settings.readString("Synth", "0"), "0");
}

TEST_F(SettingsFileTest, FirstWriteCreatesFileSectionAndKey) {
    const WriteOutcome outcome = settings.writeString("DefaultMIDIIn", "Synth");
    ASSERT_TRUE(outcome.ok()) << outcome.reason;
    EXPECT_EQ(readFileBytes(file), "[Moxel Settings.]\r\nDefaultMIDIIn=Synth\r\n");
    EXPECT_EQ(settings.readString("DefaultMidiIn", ""), "Synth");
}

TEST_F(SettingsFileTest, TheProgramsKeysRoundTripWhateverTheLetterCase) {
    const std::string deviceName = "\xE3\x83\xA4\xE3\x83\x9E\xE3\x83\x8F MIDI"; // ヤマハ MIDI
    ASSERT_TRUE(settings.writeString("DefaultMIDIIn", "In Device").ok());
    ASSERT_TRUE(settings.writeString("DefaultMIDIOut", deviceName).ok());
    ASSERT_TRUE(settings.writeString("WindowTopMost", "1").ok());
    ASSERT_TRUE(settings.writeString("UpdateInCh", "0").ok());
    ASSERT_TRUE(settings.writeString(deviceName, "15").ok());
    ASSERT_TRUE(settings.writeString("WINDOWTOPMOST", "0").ok());

    EXPECT_EQ(settings.readString("DefaultMidiIn", ""), "In Device");
    EXPECT_EQ(settings.readString("defaultmidiout", ""), deviceName);
    EXPECT_EQ(settings.readInt("WindowTopMost"), 0);
    EXPECT_EQ(settings.readInt("UpdateInCh"), 0);
    EXPECT_EQ(settings.readString(deviceName, "0"), "15");
    EXPECT_EQ(readFileBytes(file), "[Moxel Settings.]\r\n"
                                   "DefaultMIDIIn=In Device\r\n"
                                   "DefaultMIDIOut=" +
                                       deviceName +
                                       "\r\n"
                                       "WindowTopMost=0\r\n"
                                       "UpdateInCh=0\r\n" +
                                       deviceName + "=15\r\n");
}

TEST_F(SettingsFileTest, WholeNumbersAreReadLikeTheProfileFunctions) {
    const struct {
        const char* line;
        std::int32_t expected;
    } cases[] = {{"WindowTopMost=2", 2},     {"WindowTopMost=-1", -1}, {"WindowTopMost=12abc", 12},
                 {"WindowTopMost= 7", 7},    {"WindowTopMost=", 0},    {"WindowTopMost=abc", 0},
                 {"WindowTopMost=\" 7\"", 7}};
    for (const auto& c : cases) {
        writeFileBytes(file, std::string("[Moxel Settings.]\n") + c.line + "\n");
        EXPECT_EQ(settings.readInt("WindowTopMost"), c.expected) << c.line;
    }
}

TEST_F(SettingsFileTest, LongValuesAreReadAsTheirFirst127Bytes) {
    for (std::size_t length : {127u, 128u, 200u}) {
        std::string value;
        for (std::size_t i = 0; i < length; ++i) {
            value += static_cast<char>('A' + i % 26);
        }
        ASSERT_TRUE(settings.writeString("Long", value).ok());
        // The whole value is stored; only reading is limited.
        EXPECT_NE(readFileBytes(file).find(value), std::string::npos);
        EXPECT_EQ(settings.readString("Long", ""), value.substr(0, 127)) << length;
    }
    const std::string straddling = std::string(126, 'x') + "\xE3\x81\x82"; // あ at 126..128
    ASSERT_TRUE(settings.writeString("Long", straddling).ok());
    EXPECT_EQ(settings.readString("Long", ""), std::string(126, 'x'));
    // A long default is cut the same way: it passes through the same buffer.
    EXPECT_EQ(settings.readString("Missing", std::string(200, 'd')), std::string(127, 'd'));
}

TEST_F(SettingsFileTest, OtherLinesKeepTheirBytesEncodingsAndLineBreaks) {
    const struct {
        const char* what;
        std::string before;
        std::string after;
    } cases[] = {
        {"CRLF with BOM", "\xEF\xBB\xBF[Moxel Settings.]\r\nUpdateInCh=1\r\n",
         "\xEF\xBB\xBF[Moxel Settings.]\r\nUpdateInCh=1\r\nWindowTopMost=1\r\n"},
        {"LF", "[Moxel Settings.]\nUpdateInCh=1\n",
         "[Moxel Settings.]\nUpdateInCh=1\nWindowTopMost=1\n"},
        {"Shift-JIS and broken UTF-8 elsewhere",
         "; \x90\xDD\x92\xE8\n[\x83\x5C]\n\x83\x5C=\xFF\xC3\x28\n[Moxel "
         "Settings.]\nWindowTopMost=0\n",
         "; \x90\xDD\x92\xE8\n[\x83\x5C]\n\x83\x5C=\xFF\xC3\x28\n[Moxel "
         "Settings.]\nWindowTopMost=1\n"},
    };
    for (const auto& c : cases) {
        writeFileBytes(file, c.before);
        ASSERT_TRUE(settings.writeString("WindowTopMost", "1").ok()) << c.what;
        EXPECT_EQ(readFileBytes(file), c.after) << c.what;
    }
}

TEST_F(SettingsFileTest, ValuesInAnyEncodingComeBackByteForByte) {
    for (const std::string& value : {std::string("\x83\x84\x83\x7D\x83\x6E"), // Shift-JIS
                                     std::string("\xC3\x28\xFF\xFE\x80"),     // not UTF-8
                                     std::string(" padded "), std::string("\"quoted\"")}) {
        ASSERT_TRUE(settings.writeString("DefaultMIDIOut", value).ok());
        EXPECT_EQ(settings.readString("DefaultMidiOut", ""), value);
    }
}

TEST_F(SettingsFileTest, KeysThatNeedEncodingRoundTripWithoutDisturbingOthers) {
    ASSERT_TRUE(settings.writeString("Synth", "1").ok());
    ASSERT_TRUE(settings.writeString("A", "2").ok());
    for (const char* name : {"Synth ", "A=B", "[A]", ";Synth", "%Synth", "\xE3\x80\x80Synth"}) {
        ASSERT_TRUE(settings.writeString(name, "9").ok()) << name;
        EXPECT_EQ(settings.readString(name, "0"), "9") << name;
    }
    EXPECT_EQ(settings.readString("Synth", "0"), "1");
    EXPECT_EQ(settings.readString("A", "0"), "2");
    EXPECT_TRUE(readFileBytes(file).starts_with("[Moxel Settings.]\r\nSynth=1\r\nA=2\r\n"));
}

TEST_F(SettingsFileTest, EmptyKeyOrLineBreakInValueStoresNothing) {
    writeFileBytes(file, "[Moxel Settings.]\nA=1\n");
    const struct {
        const char* key;
        const char* value;
    } cases[] = {{"", "1"}, {"A", "two\nlines"}, {"B", "cr\r"}};
    for (const auto& c : cases) {
        const WriteOutcome outcome = settings.writeString(c.key, c.value);
        EXPECT_EQ(outcome.status, WriteOutcome::Status::Skipped) << c.key;
        EXPECT_FALSE(outcome.reason.empty());
    }
    EXPECT_EQ(readFileBytes(file), "[Moxel Settings.]\nA=1\n");
    EXPECT_EQ(settings.readString("", "default"), "default");
}

TEST_F(SettingsFileTest, WriteKeepsTheFilesPermissions) {
    writeFileBytes(file, "[Moxel Settings.]\nA=1\n");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(settings.writeString("A", "2").ok());
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(SettingsFileTest, WriteThroughASymbolicLinkUpdatesTheLinkedFile) {
    const std::filesystem::path real = dir / "real.ini";
    writeFileBytes(real, "[Moxel Settings.]\nA=1\n");
    std::filesystem::create_symlink(real, file);
    ASSERT_TRUE(settings.writeString("A", "2").ok());
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(readFileBytes(real), "[Moxel Settings.]\nA=2\n");
}

TEST_F(SettingsFileTest, WriteCreatesMissingFolders) {
    SettingsFile nested(dir / "config" / "moxel" / "setting.ini");
    ASSERT_TRUE(nested.writeString("UpdateInCh", "1").ok());
    EXPECT_EQ(nested.readInt("UpdateInCh"), 1);
    struct stat info {};
    ASSERT_EQ(stat((dir / "config" / "moxel").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u) << "a new configuration folder is private";
}

TEST_F(SettingsFileTest, FolderThatCannotBeMadeFailsWithTheSystemsReason) {
    writeFileBytes(dir / "plain-file", "");
    SettingsFile blocked(dir / "plain-file" / "moxel" / "setting.ini");
    const WriteOutcome outcome = blocked.writeString("UpdateInCh", "1");
    EXPECT_EQ(outcome.status, WriteOutcome::Status::Failed);
    EXPECT_NE(outcome.reason.find(std::strerror(ENOTDIR)), std::string::npos) << outcome.reason;
}

TEST_F(SettingsFileTest, UnreadableOldFileIsNeitherReplacedNorLost) {
    // A folder where the file should be: it cannot be read, so nothing may replace it.
    std::filesystem::create_directory(file);
    writeFileBytes(file / "inside", "keep");
    const WriteOutcome outcome = settings.writeString("UpdateInCh", "1");
    EXPECT_EQ(outcome.status, WriteOutcome::Status::Failed);
    EXPECT_NE(outcome.reason.find(std::strerror(EISDIR)), std::string::npos) << outcome.reason;
    EXPECT_EQ(readFileBytes(file / "inside"), "keep");
    EXPECT_EQ(settings.readInt("UpdateInCh"), 0);
}

} // namespace
} // namespace moxel
