#include "app/platform/ShowRequests.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace moxel {

namespace {

// How often a second start looks again for a socket that is not there yet.
constexpr std::chrono::milliseconds kRetryInterval(20);

// The socket address of that path; none when the path does not fit.
std::optional<sockaddr_un> addressOf(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return std::nullopt;
    }
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    return address;
}

const sockaddr* asSockaddr(const sockaddr_un& address) {
    return reinterpret_cast<const sockaddr*>(&address);
}

// A listening socket at that path, or -1.
int listenAt(const std::string& path) {
    const std::optional<sockaddr_un> address = addressOf(path);
    if (!address) {
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    const auto bindTo = [&] { return ::bind(fd, asSockaddr(*address), sizeof *address) == 0; };
    // A file already there is left by an instance that ended without removing
    // it: this process holds the instance lock.
    const bool bound = bindTo() || (errno == EADDRINUSE && ::unlink(path.c_str()) == 0 && bindTo());
    if (!bound || ::chmod(path.c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool askRunningInstanceToShow(const std::string& socketFile, std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    const std::optional<sockaddr_un> address = addressOf(socketFile);
    if (!address) {
        return false;
    }
    const Clock::time_point deadline = Clock::now() + limit;
    // What is left of the limit, at least a millisecond (0 means no limit to
    // the socket timeouts).
    const auto left = [&deadline] {
        return std::max(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
            std::chrono::milliseconds(1));
    };
    int fd = -1;
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            return false;
        }
        // A listener that takes no connections fills its queue; connect then
        // waits up to the send timeout.
        const auto wait = left();
        const timeval timeout{static_cast<time_t>(wait.count() / 1000),
                              static_cast<suseconds_t>(wait.count() % 1000 * 1000)};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        if (::connect(fd, asSockaddr(*address), sizeof *address) == 0) {
            break;
        }
        const int error = errno;
        ::close(fd);
        // Nobody listens yet: the running Moxel may still be starting.
        const bool notYet = error == ECONNREFUSED || error == ENOENT || error == EINTR;
        if (!notYet || Clock::now() + kRetryInterval >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
    pollfd answer{fd, POLLIN, 0};
    char byte = 0;
    const bool answered =
        ::poll(&answer, 1, static_cast<int>(left().count())) == 1 && ::recv(fd, &byte, 1, 0) == 1;
    ::close(fd);
    return answered;
}

ShowRequestListener::ShowRequestListener(std::string socketFile)
    : socketFile_(std::move(socketFile)), listener_(listenAt(socketFile_)) {}

ShowRequestListener::~ShowRequestListener() {
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(socketFile_.c_str());
    }
}

int ShowRequestListener::takeRequests() {
    int requests = 0;
    while (listener_ >= 0) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            break; // EAGAIN: none left
        }
        // The answer: a second start that gets none says that this Moxel
        // does not answer.
        [[maybe_unused]] const auto sent = ::send(client, "ok\n", 3, MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(client);
        ++requests;
    }
    return requests;
}

} // namespace moxel
