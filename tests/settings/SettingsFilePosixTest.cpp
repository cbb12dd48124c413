// setting.ini on POSIX systems: permissions, owners and links survive a write,
// failed writes give the system's reasons, and a program folder that is
// read-only, the system's or another user's sends the file to the user's folder.
#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SettingsFixture.h"
#include "settings/AtomicFile.h"

namespace moxel {
namespace {

using namespace std::chrono_literals;
using test::readFileBytes;
using test::writeFileBytes;

const auto modeOf = [](const auto& path) {
    return unsigned(std::filesystem::status(path).permissions());
};

// fn's result as the user "nobody" (tests may run as root, whom no permission
// stops), or nothing when this process cannot switch to that user and back.
constexpr uid_t kNobody = 65534;

template <typename Fn> std::optional<std::string> asOrdinaryUser(Fn fn) {
    if (getuid() != 0) {
        return fn();
    }
    if (setresgid(kNobody, kNobody, 0) != 0 || setresuid(kNobody, kNobody, 0) != 0) {
        if (setresgid(0, 0, 0) != 0) {
            std::abort(); // the rest of the tests would run in the wrong group
        }
        return std::nullopt;
    }
    std::string result = fn();
    if (setresuid(0, 0, 0) != 0 || setresgid(0, 0, 0) != 0) {
        std::abort(); // the rest of the tests would run as the wrong user
    }
    return result;
}

TEST_F(SettingsFileTest, WritesKeepPermissionsAndSymbolicLinksAndCreatePrivateFolders) {
    writeFileBytes(file, kOld);
    ASSERT_EQ(chmod(file.c_str(), 0604), 0);
    ASSERT_TRUE(settings.writeString("A", "1").ok());
    EXPECT_EQ(modeOf(file), 0604u);
    const mode_t savedMask = umask(027);
    ASSERT_TRUE(SettingsFile(dir / "new").writeString("A", "1").ok());
    umask(0277); // the new file is the write's own, though no one may write it later
    EXPECT_TRUE(SettingsFile(dir / "private").writeString("A", "1").ok());
    umask(savedMask);
    EXPECT_EQ(modeOf(dir / "new"), 0640u) << "0666 less the umask";

    std::filesystem::create_symlink(file, dir / "link.ini");
    ASSERT_TRUE(SettingsFile(dir / "link.ini").writeString("A", "2").ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(settings.readInt("A"), 2);
    std::filesystem::create_symlink("made.ini", dir / "dangling.ini"); // its file comes later
    ASSERT_TRUE(SettingsFile(dir / "dangling.ini").writeString("A", "3").ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.ini"));
    EXPECT_EQ(SettingsFile(dir / "made.ini").readString("A", ""), "3");

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
    // nor is one in a folder that cannot be written, though the file may be.
    const std::filesystem::path locked = dir / "locked" / "setting.ini";
    std::filesystem::create_directory(locked.parent_path());
    writeFileBytes(locked, kOld);
    ASSERT_EQ(chmod(locked.c_str(), 0666), 0);
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

// Another Moxel holding the file, frozen amid its write, holds up a write
// only so long: it then fails with the reason, the file as it was; one that
// may not wait finds the file busy at once.
TEST_F(SettingsFileTest, AWriteGivesUpOnAFileHeldTooLong) {
    writeFileBytes(file, kOld);
    const int held = open(file.c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const WriteOutcome busy = settings.writeString("A", "1", 0ms);
    EXPECT_EQ(busy.status, WriteOutcome::Status::Busy);
    EXPECT_TRUE(busy.reason.ends_with("\" is being written by another program")) << busy.reason;
    const auto start = std::chrono::steady_clock::now();
    const FileResult result = updateFileAtomically(
        file, [](std::string& bytes) { return bytes += "x", FileResult{}; }, 100ms);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
    close(held);
    EXPECT_NE(result.reason.find("\" is being written by another program; gave up waiting "
                                 "after 100 ms"),
              std::string::npos)
        << result.reason;
    expectOldFileAlone(file);
}

TEST_F(SettingsFileTest, WhatCannotBeReadOrCreatedFailsWithTheSystemsReason) {
    writeFileBytes(dir / "plain", "");
    std::filesystem::create_symlink("loop.ini", dir / "loop.ini"); // it cannot be read
    const std::pair<std::filesystem::path, int> cases[] = {
        {dir / "plain" / "x" / "setting.ini", ENOTDIR}, {dir / "loop.ini", ELOOP}};
    for (const auto& [path, error] : cases) {
        const std::string reason = SettingsFile(path).writeString("A", "1").reason;
        EXPECT_NE(reason.find(std::strerror(error)), std::string::npos) << reason;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "loop.ini"));
}

// setting.ini stays beside the program only in a folder of the user's own
// that is writable or already holds it. A folder of the system's or of another
// user sends it to the user's folder, also when root runs the program (sudo)
// and could write there.
TEST_F(SettingsFileTest, OnlyAProgramFolderOfTheUsersOwnKeepsTheFile) {
    constexpr uid_t kRoot = 0;
    const uid_t ordinary = getuid() == 0 ? kNobody : getuid();
    const struct {
        const char* folder;
        uid_t runner, owner;
        mode_t mode;
        bool withFile, beside;
    } cases[] = {{"read-only", ordinary, ordinary, 0555, false, false},
                 {"read-only with file", ordinary, ordinary, 0555, true, true},
                 {"root's, writable", ordinary, kRoot, 0777, true, false},
                 {"another user's, as root", kRoot, ordinary, 0777, true, false},
                 {"root's, as root", kRoot, kRoot, 0755, false, true}};
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    for (const auto& c : cases) {
        if (getuid() != 0 && (c.runner == kRoot || c.owner == kRoot)) {
            continue; // only root can give a folder to root or run as root
        }
        const std::filesystem::path folder = dir / c.folder;
        std::filesystem::create_directory(folder);
        if (c.withFile) {
            writeFileBytes(folder / "setting.ini", "");
        }
        ASSERT_EQ(chown(folder.c_str(), c.owner, c.owner), 0) << c.folder;
        ASSERT_EQ(chmod(folder.c_str(), c.mode), 0);
        const auto locate = [&] {
            return settingsFileLocation(folder.string() + "/", "/xdg/moxel").string();
        };
        const std::optional<std::string> found =
            c.runner == kRoot ? std::optional(locate()) : asOrdinaryUser(locate);
        if (!found) {
            GTEST_SKIP() << "running as root and cannot switch to an ordinary user";
        }
        EXPECT_EQ(*found, c.beside ? (folder / "setting.ini").string() : "/xdg/moxel/setting.ini")
            << c.folder;
    }
    // The system's program folders, also through a link, for any user.
    std::filesystem::create_directory_symlink("/usr/bin", dir / "link");
    for (const std::string& system :
         {std::string("/usr/bin/"), std::string("/usr/local/bin/"), (dir / "link/").string()}) {
        EXPECT_EQ(settingsFileLocation(system, "/xdg/moxel").string(), "/xdg/moxel/setting.ini")
            << system;
    }
}

} // namespace
} // namespace moxel
