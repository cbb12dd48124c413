// setting.ini on Windows: failed writes keep the old file and give the
// system's reasons, and a program folder that denies new files (as Program
// Files does) sends the file to the user's folder.
#include <aclapi.h>
#include <windows.h>

#include "SettingsFixture.h"
#include "settings/AtomicFile.h"
#include "settings/Win32Errors.h"
#include "support/Wine.h"

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

    // The user marked it read-only.
    ASSERT_NE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY), 0);
    const WriteOutcome readOnly = settings.writeString("UpdateInCh", "1");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(readOnly.status, WriteOutcome::Status::Failed);
    EXPECT_NE(readOnly.reason.find("\" is read-only"), std::string::npos) << readOnly.reason;
    expectOldFileAlone(file);

    // Another Moxel holds the file's lock, frozen amid its write.
    const HANDLE lock = CreateFileW((file.wstring() + L".lock").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
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
    writeFileBytes(dir / "plain", ""); // a file where a folder should be
    const WriteOutcome blocked =
        SettingsFile(dir / "plain" / "x" / "setting.ini").writeString("A", "1");
    EXPECT_EQ(blocked.status, WriteOutcome::Status::Failed);
    EXPECT_NE(blocked.reason.find("plain"), std::string::npos) << blocked.reason;

    const FileResult missing = updateFileAtomically(dir / "gone" / "setting.ini",
                                                    [](std::string&) { return FileResult{}; });
    EXPECT_EQ(missing.errorNumber, ENOENT);
    EXPECT_TRUE(mentions(missing.reason, {ERROR_PATH_NOT_FOUND})) << missing.reason;
    EXPECT_NE(missing.reason.find("gone"), std::string::npos) << "names the folder";
    SettingsFile device(L"\\\\.\\NUL"); // the null device
    EXPECT_EQ(device.readProblem(), "\"\\\\.\\NUL\" is not a regular file but a device");
    EXPECT_EQ(device.writeString("A", "1").reason, *device.readProblem());
    std::string bytes = "stale";
    EXPECT_EQ(readWholeFile(dir / "none", bytes).errorNumber, ENOENT);
    EXPECT_TRUE(bytes.empty());
}

// Everyone is denied creating files in the folder, as users are in Program
// Files.
void denyNewFiles(const std::filesystem::path& folder) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    ASSERT_NE(CreateWellKnownSid(WinWorldSid, nullptr, sid, &sidSize), 0);
    EXPLICIT_ACCESS_W deny{};
    deny.grfAccessPermissions = FILE_ADD_FILE;
    deny.grfAccessMode = DENY_ACCESS;
    deny.grfInheritance = NO_INHERITANCE;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.ptstrName = reinterpret_cast<LPWSTR>(sid);
    PACL acl = nullptr;
    ASSERT_EQ(SetEntriesInAclW(1, &deny, nullptr, &acl), ERROR_SUCCESS);
    std::wstring name = folder.wstring();
    const DWORD result = SetNamedSecurityInfoW(
        name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr);
    LocalFree(acl);
    ASSERT_EQ(result, ERROR_SUCCESS);
}

TEST_F(SettingsFileTest, AProgramFolderThatDeniesNewFilesSendsTheFileToTheUsersFolder) {
    if (test::runningUnderWine()) {
        GTEST_SKIP() << "Wine keeps folder access lists without applying them, so no folder "
                        "here denies new files; this runs on Windows";
    }
    const std::filesystem::path empty = dir / "empty";
    const std::filesystem::path withFile = dir / "with-file";
    std::filesystem::create_directory(empty);
    std::filesystem::create_directory(withFile);
    writeFileBytes(withFile / "setting.ini", "");
    denyNewFiles(empty);
    denyNewFiles(withFile);
    const std::filesystem::path user = dir / "user";
    EXPECT_EQ(settingsFileLocation(empty.string() + "\\", user), user / "setting.ini");
    EXPECT_EQ(settingsFileLocation(withFile.string() + "\\", user), withFile / "setting.ini");
}

} // namespace
} // namespace moxel
