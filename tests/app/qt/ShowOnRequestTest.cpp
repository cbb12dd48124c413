// A second start's request reaches the running window, over a socket that is
// the user's alone and that replaces one a crash left behind.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include <QTest>

#include "app/platform/ShowRequests.h"
#include "app/qt/ShowOnRequest.h"

namespace moxel {
namespace {

// The file a listening socket leaves when its process dies.
void leaveSocketFileBehind(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

std::optional<mode_t> fileMode(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? std::optional(status.st_mode & 0777) : std::nullopt;
}

TEST(ShowOnRequestTest, EachRequestShowsTheWindowOnceAndTheSocketGoesWithTheListener) {
    const std::string file = ::testing::TempDir() + "moxel-show-" + std::to_string(::getpid());
    leaveSocketFileBehind(file);
    EXPECT_FALSE(askRunningInstanceToShow(file)); // nobody listens on a leftover
    int shown = 0;
    {
        const ShowOnRequest listener(file, [&shown] { ++shown; });
        ASSERT_TRUE(listener.listening());
        EXPECT_EQ(fileMode(file), std::optional<mode_t>(0600));
        EXPECT_TRUE(askRunningInstanceToShow(file));
        EXPECT_TRUE(askRunningInstanceToShow(file));
        EXPECT_TRUE(QTest::qWaitFor([&shown] { return shown == 2; }, 5000)) << shown;
    }
    EXPECT_EQ(fileMode(file), std::nullopt);
    EXPECT_FALSE(askRunningInstanceToShow(file));

    const ShowOnRequest tooLong(std::string(200, 'x'), [&shown] { ++shown; });
    EXPECT_FALSE(tooLong.listening());
}

} // namespace
} // namespace moxel
