// A second start's request reaches the running window and is answered, over a
// socket that is the user's alone and that replaces one a crash left behind;
// a window that does not run its events keeps nobody waiting long.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include <QTest>

#include "app/platform/ShowRequests.h"
#include "app/qt/ShowOnRequest.h"

namespace moxel {
namespace {

using namespace std::chrono_literals;

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

// Asks from another thread while this one runs the window's events.
bool askWhileRunning(const std::string& file) {
    auto asked =
        std::async(std::launch::async, [&file] { return askRunningInstanceToShow(file, 5s); });
    return QTest::qWaitFor([&asked] { return asked.wait_for(0s) == std::future_status::ready; },
                           10000) &&
           asked.get();
}

TEST(ShowOnRequestTest, EachRequestIsAnsweredAndShowsTheWindowOnceAndTheSocketGoesWithTheListener) {
    const std::string file = ::testing::TempDir() + "moxel-show-" + std::to_string(::getpid());
    leaveSocketFileBehind(file);
    EXPECT_FALSE(askRunningInstanceToShow(file, 100ms)); // nobody listens on a leftover
    int shown = 0;
    {
        const ShowOnRequest listener(file, [&shown] { ++shown; });
        ASSERT_TRUE(listener.listening());
        EXPECT_EQ(fileMode(file), std::optional<mode_t>(0600));
        EXPECT_TRUE(askWhileRunning(file));
        EXPECT_TRUE(askWhileRunning(file));
        EXPECT_TRUE(QTest::qWaitFor([&shown] { return shown == 2; }, 5000)) << shown;
        // While its events do not run (its process stopped), no request is
        // answered, and none waits longer than asked, also once its queue is full.
        for (int request = 0; request < 12; ++request) {
            EXPECT_FALSE(askRunningInstanceToShow(file, 50ms)) << request;
        }
    }
    EXPECT_EQ(fileMode(file), std::nullopt);
    EXPECT_FALSE(askRunningInstanceToShow(file, 100ms));

    const ShowOnRequest tooLong(std::string(200, 'x'), [&shown] { ++shown; });
    EXPECT_FALSE(tooLong.listening());
}

} // namespace
} // namespace moxel
