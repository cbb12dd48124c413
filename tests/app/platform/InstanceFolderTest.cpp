// Where the instance lock and socket go: only into a folder that nobody but
// the user can write to, never through a link or a folder someone else made.
#include "app/platform/InstanceFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace moxel {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & (S_IFMT | 07777) : 0;
}

TEST(InstanceFolder, TheRuntimeFolderWhenPrivateElseAPrivateFolderOfTheUsersInTheTemporaryOne) {
    enum class Plant { Nothing, OpenRuntime, FileRuntime, LinkFallback, OpenFallback };
    const struct {
        const char* runtime; // under the test's folder ("" : unset)
        Plant plant;
        uid_t otherUser;      // 1: chosen for the next user id, whose folders these are not
        const char* expected; // "run", "tmp" (the fallback) or the start of the problem
    } cases[] = {
        {"run", Plant::Nothing, 0, "run"},
        {"", Plant::Nothing, 0, "tmp"},
        {"run", Plant::OpenRuntime, 0, "tmp"},
        {"run", Plant::FileRuntime, 0, "tmp"},
        {"missing", Plant::Nothing, 0, "tmp"},
        {"", Plant::LinkFallback, 0, "is a link, not a folder"},
        {"", Plant::OpenFallback, 0, "is open to other users"},
        {"run", Plant::Nothing, 1, "belongs to another user"},
    };
    for (const auto& c : cases) {
        const test::TempDir base;
        fs::create_directory(base / "run");
        ::chmod((base / "run").c_str(), c.plant == Plant::OpenRuntime ? 0757 : 0700);
        fs::create_directory(base / "tmp");
        const uid_t user = ::getuid() + c.otherUser;
        const fs::path fallback = base / "tmp" / ("moxel-" + std::to_string(user));
        if (c.plant == Plant::FileRuntime) {
            fs::remove(base / "run");
            test::writeFileBytes(base / "run", "");
        } else if (c.plant == Plant::LinkFallback) {
            fs::create_directory_symlink(base / "run", fallback); // to a private folder of ours
        } else if (c.plant == Plant::OpenFallback) {
            fs::create_directory(fallback);
            ::chmod(fallback.c_str(), 0755);
        }
        const std::string runtime = *c.runtime != '\0' ? (base / c.runtime).string() : "";
        const InstanceFolder chosen = chooseInstanceFolder(runtime, (base / "tmp").string(), user);
        const std::string expected = c.expected;
        if (expected == "run" || expected == "tmp") {
            EXPECT_EQ(chosen.path, expected == "run" ? runtime : fallback.string()) << c.runtime;
            EXPECT_EQ(chosen.problem, "");
            EXPECT_EQ(modeOf(chosen.path), S_IFDIR | 0700) << chosen.path;
        } else {
            EXPECT_EQ(chosen.path, "");
            EXPECT_EQ(chosen.problem, fallback.string() + " " + expected);
        }
    }
    // A relative runtime folder is no runtime folder.
    EXPECT_NE(chooseInstanceFolder("run", "/tmp", ::getuid()).path, "run");
}

} // namespace
} // namespace moxel
