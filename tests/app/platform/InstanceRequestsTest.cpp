// Another start's requests on the running Moxel's socket: each request line is
// carried out once and answered with itself, anything else is refused with no
// effect, a second start of an earlier Moxel that says nothing still shows
// the window, a silent peer holds up nobody; and what the asking side makes
// of each answer.
#include "app/platform/InstanceRequests.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace moxel {
namespace {

using namespace std::chrono_literals;
using Kind = InstanceRequest::Kind;

sockaddr_un addressOf(const std::string& file) {
    sockaddr_un address{AF_UNIX, {}};
    file.copy(address.sun_path, sizeof address.sun_path - 1);
    return address;
}

// A socket connected to the file; named: bound to an address of its own, as
// this Moxel's asking side is.
int connectTo(const std::string& file, bool named) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un own{AF_UNIX, {}};
    const sockaddr_un address = addressOf(file);
    EXPECT_TRUE(!named ||
                ::bind(fd, reinterpret_cast<const sockaddr*>(&own), sizeof own.sun_family) == 0);
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
}

// Whether the descriptor can be read within the limit.
bool readable(int fd, std::chrono::milliseconds limit) {
    pollfd ready{fd, POLLIN, 0};
    return ::poll(&ready, 1, static_cast<int>(limit.count())) == 1;
}

class InstanceRequestsTest : public ::testing::Test {
  protected:
    // Serves on this thread (as the UI thread does) until the peer has its
    // answer line or the limit passed; the answer.
    std::string answerTo(int peer, std::chrono::milliseconds limit = 5s) {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!got.ends_with('\n') && std::chrono::steady_clock::now() < deadline) {
            if (readable(listener.descriptor(), 0ms)) {
                serve();
            }
            char buffer[64];
            const ssize_t size = readable(peer, 10ms) ? ::recv(peer, buffer, sizeof buffer, 0) : -1;
            if (size == 0) {
                break;
            }
            got.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(size, 0)));
        }
        ::close(peer);
        return got;
    }
    void serve() {
        listener.serve([this](const InstanceRequest& request) { carried.push_back(request); });
    }

    const std::string file = ::testing::TempDir() + "moxel-requests-" + std::to_string(::getpid());
    InstanceRequestListener listener{file};
    std::vector<InstanceRequest> carried;
};

TEST_F(InstanceRequestsTest, EachRequestIsCarriedOutOnceAndAnsweredAndAnythingElseIsRefused) {
    ASSERT_TRUE(listener.listening());
    const std::string overLong = "program 1" + std::string(kMaxRequestLine, '0') + "\n";
    const struct {
        std::vector<std::string> pieces; // sent one after another, served between
        std::string answer;
        std::optional<InstanceRequest> carried;
    } cases[] = {
        {{"show\n"}, "ok show\n", InstanceRequest{Kind::Show}},
        {{"panic\n"}, "ok panic\n", InstanceRequest{Kind::Panic}},
        {{"program 0\n"}, "ok program 0\n", InstanceRequest{Kind::Program, 0}},
        {{"prog", "ram 127", "\n"}, "ok program 127\n", InstanceRequest{Kind::Program, 127}},
        {{"program 128\n"}, "refused\n", std::nullopt},
        {{"program 05\n"}, "refused\n", std::nullopt},
        {{"program -1\n"}, "refused\n", std::nullopt},
        {{"program 5x\n"}, "refused\n", std::nullopt},
        {{"program\n"}, "refused\n", std::nullopt},
        {{"Panic\n"}, "refused\n", std::nullopt},
        {{"panic\r\n"}, "refused\n", std::nullopt},
        {{"panic\nshow\n"}, "refused\n", std::nullopt},
        {{std::string("pa\0nic\n", 7)}, "refused\n", std::nullopt},
        {{"\n"}, "refused\n", std::nullopt},
        {{overLong}, "refused\n", std::nullopt},
        {{std::string(4096, 'x')}, "refused\n", std::nullopt}, // and no line end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pieces[0]);
        carried.clear();
        const int peer = connectTo(file, true);
        for (const std::string& piece : c.pieces) {
            ASSERT_EQ(::send(peer, piece.data(), piece.size(), MSG_NOSIGNAL),
                      static_cast<ssize_t>(piece.size()));
            if (readable(listener.descriptor(), 1s)) {
                serve();
            }
        }
        EXPECT_EQ(answerTo(peer), c.answer);
        EXPECT_EQ(carried, c.carried ? std::vector{*c.carried} : std::vector<InstanceRequest>{});
    }
}

TEST_F(InstanceRequestsTest, AnEarlierMoxelsSecondStartShowsAndASilentPeerHoldsUpNobody) {
    const int silent = connectTo(file, true);
    EXPECT_EQ(answerTo(connectTo(file, false)), "ok\n"); // says nothing, without a name
    const int panic = connectTo(file, true);
    ASSERT_EQ(::send(panic, "panic\n", 6, 0), 6);
    EXPECT_EQ(answerTo(panic, 500ms), "ok panic\n");
    EXPECT_EQ(carried, (std::vector<InstanceRequest>{{Kind::Show}, {Kind::Panic}}));
    EXPECT_EQ(answerTo(silent), "refused\n"); // at its limit
    EXPECT_EQ(carried.size(), 2U);
}

// What the asking side makes of each answer: the running Moxel's, an earlier
// Moxel's (it answers at once and reads nothing), none.
TEST_F(InstanceRequestsTest, TheAskingSideTellsEachAnswer) {
    auto asked = std::async(std::launch::async, [this] {
        return askRunningInstance(file, {Kind::Program, 9}, 5s);
    });
    while (asked.wait_for(0s) != std::future_status::ready) {
        if (readable(listener.descriptor(), 10ms)) {
            serve();
        }
    }
    EXPECT_EQ(asked.get(), RequestAnswer::Taken);
    EXPECT_EQ(carried, (std::vector<InstanceRequest>{{Kind::Program, 9}}));

    const std::string other = file + "-other";
    const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(other);
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listening, 8), 0);
    const struct {
        std::string answer; // "": closed without one
        InstanceRequest request;
        RequestAnswer outcome;
    } cases[] = {
        {"ok\n", {Kind::Show}, RequestAnswer::Taken},
        {"ok\n", {Kind::Panic}, RequestAnswer::NotUnderstood},
        {"ok show\n", {Kind::Panic}, RequestAnswer::Refused},
        {"refused\n", {Kind::Show}, RequestAnswer::Refused},
        {"", {Kind::Show}, RequestAnswer::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        auto answered = std::async(std::launch::async, [&] {
            const int fd = ::accept(listening, nullptr, nullptr);
            ::send(fd, c.answer.data(), c.answer.size(), MSG_NOSIGNAL);
            ::close(fd);
        });
        EXPECT_EQ(askRunningInstance(other, c.request, 5s), c.outcome);
    }
    ::close(listening);
    ::unlink(other.c_str());
    // Nobody listens: at once when nobody will, else at the limit.
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(askRunningInstance(other, {}, 5s, [] { return false; }),
              RequestAnswer::NobodyListens);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_EQ(askRunningInstance(other, {}, 100ms, [] { return true; }), RequestAnswer::None);
}

} // namespace
} // namespace moxel
