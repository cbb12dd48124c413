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

TEST(InstanceFolder,
     TheRuntimeFolderWhenPrivateElseAPrivateFolderOfTheUsersInTheTemporaryOrStateFolder) {
    enum class Plant { Nothing, OpenRuntime, FileRuntime, LinkFallback, OpenFallback, LinkState };
    const struct {
        const char* runtime; // in the test's folder; "": unset
        Plant plant, statePlant;
        uid_t otherUser;      // 1: for the next user id, whose folders these are not
        const char* state;    // the state folder, in the test's folder; "": none
        const char* expected; // "run", "tmp", "state" or why there is none ({T}, {S}: the
                              // folders in the temporary and the state folder)
    } cases[] = {
        {"run", Plant::Nothing, Plant::Nothing, 0, "st/ate", "run"},
        {"", Plant::Nothing, Plant::Nothing, 0, "st/ate", "tmp"},
        {"run", Plant::OpenRuntime, Plant::Nothing, 0, "", "tmp"},
        {"run", Plant::FileRuntime, Plant::Nothing, 0, "", "tmp"},
        {"", Plant::LinkFallback, Plant::Nothing, 0, "st/ate", "state"},
        {"", Plant::OpenFallback, Plant::Nothing, 0, "st/ate", "state"},
        {"", Plant::LinkFallback, Plant::Nothing, 0, "",
         "{T} is a link, not a folder; no private folder in the user's home either (HOME is not "
         "set)"},
        {"", Plant::OpenFallback, Plant::LinkState, 0, "st/ate",
         "{T} is open to other users; {S} is a link, not a folder"},
        {"run", Plant::Nothing, Plant::Nothing, 1, "st/ate",
         "{T} belongs to another user; {S} belongs to another user"},
    };
    for (const auto& c : cases) {
        const test::TempDir base;
        const uid_t user = ::getuid() + c.otherUser;
        const fs::path run = base / "run", fallback = base / ("moxel-" + std::to_string(user));
        const std::string state = *c.state != '\0' ? (base / c.state).string() : "";
        const fs::path inState = state + "/moxel";
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
        if (c.statePlant == Plant::LinkState) {
            fs::create_directories(state);
            fs::create_directory_symlink(run, inState);
        }
        const std::string runtime = *c.runtime != '\0' ? (base / c.runtime).string() : "";
        const InstanceFolder chosen =
            chooseInstanceFolder(runtime, base.path().string(), state, user);
        std::string expected = c.expected;
        struct stat status {};
        if (expected == "run" || expected == "tmp" || expected == "state") {
            EXPECT_EQ(chosen.path, expected == "run"   ? runtime
                                   : expected == "tmp" ? fallback.string()
                                                       : inState.string());
            ASSERT_EQ(::lstat(chosen.path.c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & (S_IFMT | 07777), S_IFDIR | 0700) << chosen.path;
        } else {
            expected.replace(expected.find("{T}"), 3, fallback.string());
            if (const auto at = expected.find("{S}"); at != std::string::npos) {
                expected.replace(at, 3, inState.string());
            }
            EXPECT_EQ(chosen.problem, expected);
            EXPECT_EQ(chosen.path, "");
        }
    }
    EXPECT_NE(chooseInstanceFolder("run", "/tmp", "", ::getuid()).path, "run"); // relative: none
}

} // namespace
} // namespace moxel
