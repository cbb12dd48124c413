// Another start's request reaches the running window's UI thread and is
// answered, over a socket that is the user's alone and that replaces one a
// crash left behind; a window that does not run its events keeps nobody
// waiting long.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QTest>

#include "app/platform/InstanceRequests.h"
#include "app/qt/RequestNotifier.h"

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
RequestAnswer askWhileRunning(const std::string& file, const InstanceRequest& request) {
    auto asked =
        std::async(std::launch::async, [&] { return askRunningInstance(file, request, 5s); });
    const bool answered = QTest::qWaitFor(
        [&asked] { return asked.wait_for(0s) == std::future_status::ready; }, 10000);
    return answered ? asked.get() : RequestAnswer::None;
}

TEST(RequestNotifierTest, EachRequestIsCarriedOutOnTheUiThreadAndTheSocketGoesWithTheListener) {
    using Kind = InstanceRequest::Kind;
    const std::string file = ::testing::TempDir() + "moxel-show-" + std::to_string(::getpid());
    leaveSocketFileBehind(file);
    EXPECT_EQ(askRunningInstance(file, {}, 100ms), RequestAnswer::None); // a leftover
    std::vector<InstanceRequest> carried;
    const auto carryOut = [&carried, ui = std::this_thread::get_id()](const InstanceRequest& r) {
        EXPECT_EQ(std::this_thread::get_id(), ui);
        carried.push_back(r);
    };
    {
        const RequestNotifier listener(file, carryOut);
        ASSERT_TRUE(listener.listening());
        EXPECT_EQ(fileMode(file), std::optional<mode_t>(0600));
        EXPECT_EQ(askWhileRunning(file, {Kind::Show}), RequestAnswer::Taken);
        EXPECT_EQ(askWhileRunning(file, {Kind::Program, 5}), RequestAnswer::Taken);
        EXPECT_EQ(carried, (std::vector<InstanceRequest>{{Kind::Show}, {Kind::Program, 5}}));
        // While its events do not run (its process stopped), no request is
        // answered, and none waits longer than asked, also once its queue is full.
        for (int request = 0; request < 12; ++request) {
            EXPECT_EQ(askRunningInstance(file, {}, 50ms), RequestAnswer::None) << request;
        }
    }
    EXPECT_EQ(fileMode(file), std::nullopt);
    EXPECT_EQ(askRunningInstance(file, {}, 100ms), RequestAnswer::None);

    const RequestNotifier tooLong(std::string(200, 'x'), carryOut);
    EXPECT_FALSE(tooLong.listening());
}

} // namespace
} // namespace moxel
