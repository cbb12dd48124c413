// setting.ini on Windows: failed writes keep the old file and give the
// system's reasons; the file in the system's code page.
#include <windows.h>

#include <tuple>

#include "SettingsFixture.h"
#include "settings/AtomicFile.h"
#include "settings/Win32Errors.h"

namespace moxel {
namespace {

using test::readFileBytes;
using test::writeFileBytes;

bool mentions(const std::string& reason, std::initializer_list<DWORD> errors) {
    for (const DWORD error : errors) {
        if (reason.find(win32Message(error)) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST_F(SettingsFileTest, FailedWritesKeepTheOldFileAndGiveTheSystemsReason) {
    writeFileBytes(file, kOld);
    // Another program has the file open and lets nobody replace it.
    const HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const WriteOutcome shared = settings.writeString("UpdateInCh", "1");
    CloseHandle(held);
    EXPECT_EQ(shared.status, WriteOutcome::Status::Failed);
    EXPECT_TRUE(mentions(shared.reason, {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED}))
        << shared.reason;
    expectOldFileAlone(file);

    // Another Moxel holds the file's lock, frozen amid its write.
    const HANDLE lock = CreateFileW((file.wstring() + L".lock").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const WriteOutcome busy = settings.writeString("A", "1", std::chrono::milliseconds(0));
    EXPECT_EQ(busy.status, WriteOutcome::Status::Busy);
    EXPECT_TRUE(busy.reason.ends_with("\" is being written by another program")) << busy.reason;
    const FileResult waited = updateFileAtomically(
        file, [](std::string& bytes) { return bytes += "x", FileResult{}; },
        std::chrono::milliseconds(100));
    CloseHandle(lock);
    EXPECT_NE(waited.reason.find("\" is being written by another program; gave up waiting after "
                                 "100 ms"),
              std::string::npos)
        << waited.reason;
    expectOldFileAlone(file);
}

TEST_F(SettingsFileTest, WhatCannotBeReadOrCreatedFailsWithTheSystemsReason) {
    const FileResult missing = updateFileAtomically(dir / "gone" / "setting.ini",
                                                    [](std::string&) { return FileResult{}; });
    EXPECT_TRUE(mentions(missing.reason, {ERROR_PATH_NOT_FOUND})) << missing.reason;
    SettingsFile device(L"\\\\.\\NUL"); // the null device
    EXPECT_EQ(device.readProblem(), "\"\\\\.\\NUL\" is not a regular file but a device");
    EXPECT_EQ(device.writeString("A", "1").reason, *device.readProblem());
}

// The file as programs keep it that read and write it in the system's code
// page, Shift-JIS here: these tests run with a Japanese code page (under Wine:
// in a Japanese locale, see tests/settings/CMakeLists.txt), and fail without.
TEST_F(SettingsFileTest, ReadsAndWritesTheSystemsCodePage) {
    ASSERT_EQ(GetACP(), 932U)
        << "needs the Japanese code page (Wine: MOXEL_WINE_LOCALE=ja_JP.UTF-8)";
    const std::string head = "[Moxel Settings.]\r\n", bom = "\xEF\xBB\xBF";
    const std::string yamaha = "\x83\x84\x83\x7D\x83\x6E",
                      roland = // ヤマハ, ローランド
                      "\x83\x8D\x81\x5B\x83\x89\x83\x93\x83\x68";
    const auto times = [](int count, const std::string& text) {
        std::string out;
        for (int i = 0; i < count; ++i) {
            out += text;
        }
        return out;
    };
    const std::string kanji64 = times(64, "\x8A\xBF"), kana200 = times(200, "\xB1"); // 漢, ｱ
    // The file, a key and what it reads. Values count 127 bytes in Shift-JIS.
    const std::tuple<std::string, std::string, std::string> reads[] = {
        {head + "DefaultMIDIOut=" + yamaha + "\r\n", "DefaultMidiOut", "ヤマハ"},
        {head + yamaha + "=3\r\n", "ヤマハ", "3"},
        {head + "\x83\x61=x\r\n", "ア", "none"}, // ヂ, whose second byte is "a", not ア ("A")
        {head + "k=\xC3\xBD\r\n", "k", "ﾃｽ"},    // though well-formed UTF-8 too
        {bom + head + "k=ヤマハ\r\n", "k", "ヤマハ"},
        {head + "k=" + kanji64 + "\r\n", "k", times(63, "漢")},
        {head + "k=xx" + kanji64 + "\r\n", "k", "xx" + times(62, "漢")},
        {head + "k=" + kana200 + "\r\n", "k", times(127, "ｱ")},
    };
    for (const auto& [content, key, value] : reads) {
        writeFileBytes(file, content);
        EXPECT_EQ(settings.readString(key, "none"), value) << key;
    }
    // The file before, a key and its value, and the file after ("": the write is refused).
    const std::tuple<std::string, std::string, std::string, std::string> writes[] = {
        {head + "A=" + yamaha + "\r\n", "ローランド", "5",
         head + "A=" + yamaha + "\r\n" + roland + "=5\r\n"},
        {head + "A=" + yamaha + "\r\n", "Café", "1", bom + head + "A=ヤマハ\r\nCafé=1\r\n"},
        {head + "A=\xC3\xBD\r\n", "ﾃｽ", "1", head + "A=\xC3\xBD\r\n\xC3\xBD=1\r\n"},
        {bom + head + "A=ヤマハ\r\n", "A", "ローランド", head + "A=" + roland + "\r\n"},
        {head + "A=\x87\x9A\r\n", "B", "1",
         ""}, // ∵ by its second code, which reads back as the first
    };
    for (const auto& [before, key, value, after] : writes) {
        writeFileBytes(file, before);
        const WriteOutcome outcome = settings.writeString(key, value);
        EXPECT_EQ(readFileBytes(file), after.empty() ? before : after) << key;
        if (after.empty()) {
            EXPECT_NE(outcome.reason.find("\" holds bytes that are not text in the system's code "
                                          "page 932; it is left as it is"),
                      std::string::npos)
                << outcome.reason;
        } else {
            EXPECT_EQ(settings.readString(key, "none"), value) << key;
        }
    }
}

} // namespace
} // namespace moxel
