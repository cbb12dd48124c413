// Where the instance lock and socket go: only into a folder that nobody but
// the user can write to, never through a link or a folder someone else made.
#include "app/platform/InstanceFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace moxel {
namespace {

namespace fs = std::filesystem;

TEST(InstanceFolder, TheRuntimeFolderWhenPrivateElseAPrivateFolderOfTheUsersInTheTemporaryOne) {
    enum class Plant { Nothing, OpenRuntime, FileRuntime, LinkFallback, OpenFallback };
    const struct {
        const char* runtime; // in the test's folder; "": unset
        Plant plant;
        uid_t otherUser;      // 1: for the next user id, whose folders these are not
        const char* expected; // "run", "tmp" (the fallback) or why there is none
    } cases[] = {
        {"run", Plant::Nothing, 0, "run"},
        {"", Plant::Nothing, 0, "tmp"},
        {"run", Plant::OpenRuntime, 0, "tmp"},
        {"run", Plant::FileRuntime, 0, "tmp"},
        {"", Plant::LinkFallback, 0, "is a link, not a folder"},
        {"", Plant::OpenFallback, 0, "is open to other users"},
        {"run", Plant::Nothing, 1, "belongs to another user"},
    };
    for (const auto& c : cases) {
        const test::TempDir base;
        const uid_t user = ::getuid() + c.otherUser;
        const fs::path run = base / "run", fallback = base / ("moxel-" + std::to_string(user));
        fs::create_directory(run);
        ::chmod(run.c_str(), c.plant == Plant::OpenRuntime ? 0757 : 0700);
        if (c.plant == Plant::FileRuntime) {
            fs::remove(run);
            test::writeFileBytes(run, "");
        } else if (c.plant == Plant::LinkFallback) {
            fs::create_directory_symlink(run, fallback); // to a private folder of ours
        } else if (c.plant == Plant::OpenFallback) {
            fs::create_directory(fallback);
            ::chmod(fallback.c_str(), 0755);
        }
        const std::string runtime = *c.runtime != '\0' ? (base / c.runtime).string() : "";
        const InstanceFolder chosen = chooseInstanceFolder(runtime, base.path().string(), user);
        const std::string expected = c.expected;
        struct stat status {};
        if (expected == "run" || expected == "tmp") {
            EXPECT_EQ(chosen.path, expected == "run" ? runtime : fallback.string()) << c.runtime;
            ASSERT_EQ(::lstat(chosen.path.c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & (S_IFMT | 07777), S_IFDIR | 0700) << chosen.path;
        } else {
            EXPECT_EQ(chosen.problem, fallback.string() + " " + expected);
            EXPECT_EQ(chosen.path, "");
        }
    }
    EXPECT_NE(chooseInstanceFolder("run", "/tmp", ::getuid()).path, "run"); // relative: none
}

} // namespace
} // namespace moxel
