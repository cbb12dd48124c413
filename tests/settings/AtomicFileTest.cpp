#include "settings/AtomicFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

#include "RunUnprivileged.h"
#include "settings/SettingsFile.h"
#include "support/TempDir.h"

namespace moxel {
namespace {

using test::readFileBytes;
using test::TempDir;
using test::writeFileBytes;

const std::string kOldContent = "; keep me\r\n[Moxel Settings.]\r\nUpdateInCh=0\r\n";

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// Limits the size of files this process may write, for as long as it lives;
// writing beyond the limit then fails with EFBIG, for root as for anyone.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

  private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
    bool active_ = false;
};

TEST(AtomicFile, FailureWhileWritingKeepsTheOldFileAndRemovesTheNewOne) {
    TempDir dir;
    const std::filesystem::path file = dir / "setting.ini";
    writeFileBytes(file, kOldContent);
    WriteOutcome outcome;
    {
        FileSizeLimit limit(kOldContent.size() / 2);
        ASSERT_TRUE(limit.active());
        outcome = SettingsFile(file).writeString("UpdateInCh", "1");
    }
    EXPECT_EQ(outcome.status, WriteOutcome::Status::Failed);
    EXPECT_NE(outcome.reason.find(std::strerror(EFBIG)), std::string::npos) << outcome.reason;
    EXPECT_EQ(readFileBytes(file), kOldContent);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"setting.ini"});
}

// Writes one key as an unprivileged user (the tests may run as root, whom no
// permission stops). The failure's reason, "" when the write did not fail, or
// nothing when no unprivileged user could be had.
std::optional<std::string> failedUnprivilegedWrite(const std::filesystem::path& file) {
    const std::optional<std::string> result = test::runUnprivileged([&] {
        const WriteOutcome outcome = SettingsFile(file).writeString("UpdateInCh", "1");
        return outcome.status == WriteOutcome::Status::Failed ? "F" + outcome.reason
                                                              : std::string("not failed");
    });
    if (!result) {
        return std::nullopt;
    }
    return result->starts_with("F") ? result->substr(1) : std::string();
}

TEST(AtomicFile, WriteIntoReadOnlyFolderFailsWithTheSystemsReason) {
    TempDir dir;
    const std::filesystem::path folder = dir / "read-only";
    const std::filesystem::path file = folder / "setting.ini";
    std::filesystem::create_directory(folder);
    writeFileBytes(file, kOldContent);
    // Readable for the unprivileged user the write may run as.
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);

    const std::optional<std::string> reason = failedUnprivilegedWrite(file);
    if (!reason) {
        GTEST_SKIP() << "running as root and cannot switch to an unprivileged user";
    }
    EXPECT_NE(reason->find(std::strerror(EACCES)), std::string::npos) << *reason;
    EXPECT_EQ(readFileBytes(file), kOldContent);
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"setting.ini"});
}

TEST(AtomicFile, OldFileThatCannotBeReadIsNotReplaced) {
    TempDir dir;
    const std::filesystem::path file = dir / "setting.ini";
    writeFileBytes(file, kOldContent);
    // The folder lets anyone replace the file, but the file cannot be read.
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(chmod(file.c_str(), 0), 0);

    const std::optional<std::string> reason = failedUnprivilegedWrite(file);
    if (!reason) {
        GTEST_SKIP() << "running as root and cannot switch to an unprivileged user";
    }
    EXPECT_NE(reason->find(std::strerror(EACCES)), std::string::npos) << *reason;
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    EXPECT_EQ(readFileBytes(file), kOldContent);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"setting.ini"});
}

TEST(AtomicFile, MissingFolderFailsWithTheSystemsReason) {
    TempDir dir;
    const FileResult result = replaceFileAtomically(dir / "gone" / "setting.ini", "x");
    EXPECT_EQ(result.errorNumber, ENOENT);
    EXPECT_NE(result.reason.find(std::strerror(ENOENT)), std::string::npos) << result.reason;
    EXPECT_NE(result.reason.find("gone"), std::string::npos) << result.reason;
}

TEST(AtomicFile, ReplacesContentWholly) {
    TempDir dir;
    const std::filesystem::path file = dir / "data";
    writeFileBytes(file, std::string(1000, 'o'));
    ASSERT_TRUE(replaceFileAtomically(file, "short").ok());
    EXPECT_EQ(readFileBytes(file), "short");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"data"});
}

TEST(AtomicFile, NewFileGetsTheUsualPermissions) {
    TempDir dir;
    const std::filesystem::path file = dir / "data";
    const mode_t savedMask = umask(027);
    const FileResult result = replaceFileAtomically(file, "x");
    umask(savedMask);
    ASSERT_TRUE(result.ok()) << result.reason;
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(AtomicFile, ReadingAMissingFileReportsIt) {
    TempDir dir;
    std::string bytes = "stale";
    const FileResult result = readWholeFile(dir / "none", bytes);
    EXPECT_EQ(result.errorNumber, ENOENT);
    EXPECT_TRUE(bytes.empty());
}

} // namespace
} // namespace moxel
