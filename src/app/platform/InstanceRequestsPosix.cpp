#include "app/platform/InstanceRequests.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace moxel {

namespace {

using Clock = std::chrono::steady_clock;

// How often an asking start looks again for a socket that is not there yet.
constexpr std::chrono::milliseconds kRetryInterval(20);
// How long a connection may take to say its request.
constexpr std::chrono::milliseconds kRequestLimit(1000);
// How many connections may wait for their request at a time.
constexpr std::size_t kMaxWaiting = 8;
// Longer answers are none of the running Moxel's.
constexpr std::size_t kMaxAnswer = 32;

constexpr std::string_view kTaken = "ok";
constexpr std::string_view kRefused = "refused\n";

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

void answer(int fd, std::string_view text) {
    [[maybe_unused]] const auto sent =
        ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

bool watch(int events, int fd, bool add) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    return ::epoll_ctl(events, add ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, fd, &event) == 0;
}

// A connected socket to that address, with an address of its own (which
// tells the running Moxel that a request line follows); -1 when nobody
// listens there (errno says why).
int connectTo(const sockaddr_un& address, std::chrono::milliseconds wait) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    // The system picks the address (an abstract one).
    const sockaddr_un own{AF_UNIX, {}};
    // A listener that takes no connections fills its queue; connect then
    // waits up to the send timeout.
    const timeval timeout{static_cast<time_t>(wait.count() / 1000),
                          static_cast<suseconds_t>(wait.count() % 1000 * 1000)};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (::bind(fd, asSockaddr(own), sizeof own.sun_family) != 0 ||
        ::connect(fd, asSockaddr(address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

} // namespace

RequestAnswer askRunningInstance(const std::string& socketFile, const InstanceRequest& request,
                                 std::chrono::milliseconds limit,
                                 const std::function<bool()>& mayListenLater) {
    const std::optional<sockaddr_un> address = addressOf(socketFile);
    if (!address) {
        return RequestAnswer::None;
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
    while ((fd = connectTo(*address, left())) < 0) {
        // Nobody listens yet: the running Moxel may still be starting.
        const int error = errno;
        if (error != ECONNREFUSED && error != ENOENT && error != EINTR) {
            return RequestAnswer::None;
        }
        if (mayListenLater && !mayListenLater()) {
            return RequestAnswer::NobodyListens;
        }
        if (Clock::now() + kRetryInterval >= deadline) {
            return RequestAnswer::None;
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
    const std::string line = requestLine(request);
    // An earlier Moxel may have answered and closed already; its answer is
    // still there to read.
    [[maybe_unused]] const auto sent =
        ::send(fd, (line + "\n").data(), line.size() + 1, MSG_NOSIGNAL);
    std::string received;
    char buffer[kMaxAnswer];
    while (!received.ends_with('\n') && received.size() < kMaxAnswer) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left().count())) != 1) {
            break;
        }
        const ssize_t got = ::recv(fd, buffer, kMaxAnswer - received.size(), 0);
        if (got <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (received == std::string(kTaken) + " " + line + "\n") {
        return RequestAnswer::Taken;
    }
    if (received == std::string(kTaken) + "\n") {
        // An earlier Moxel: it showed its window, whatever was asked.
        return request.kind == InstanceRequest::Kind::Show ? RequestAnswer::Taken
                                                           : RequestAnswer::NotUnderstood;
    }
    return received.empty() ? RequestAnswer::None : RequestAnswer::Refused;
}

InstanceRequestListener::InstanceRequestListener(std::string socketFile)
    : socketFile_(std::move(socketFile)), listener_(listenAt(socketFile_)) {
    if (listener_ < 0) {
        return;
    }
    events_ = ::epoll_create1(EPOLL_CLOEXEC);
    timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (events_ < 0 || timer_ < 0 || !watch(events_, timer_, true)) {
        ::close(std::exchange(events_, -1));
        return;
    }
    watchListener(true);
}

InstanceRequestListener::~InstanceRequestListener() {
    for (const Waiting& waiting : waiting_) {
        ::close(waiting.fd);
    }
    for (const int fd : {events_, timer_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(socketFile_.c_str());
    }
}

void InstanceRequestListener::watchListener(bool watched) {
    if (watched != listenerWatched_ && watch(events_, listener_, watched)) {
        listenerWatched_ = watched;
    }
}

void InstanceRequestListener::armTimer() {
    itimerspec next{};
    if (!waiting_.empty()) {
        const Clock::time_point first = std::ranges::min(waiting_, {}, &Waiting::deadline).deadline;
        const auto in = std::max(std::chrono::nanoseconds(first - Clock::now()),
                                 std::chrono::nanoseconds(1)); // 0 would stop it
        next.it_value.tv_sec = static_cast<time_t>(in.count() / 1'000'000'000);
        next.it_value.tv_nsec = static_cast<long>(in.count() % 1'000'000'000);
    }
    ::timerfd_settime(timer_, 0, &next, nullptr);
}

void InstanceRequestListener::acceptWaiting(
    const std::function<void(const InstanceRequest&)>& carryOut) {
    while (waiting_.size() < kMaxWaiting) {
        sockaddr_un peer{};
        socklen_t size = sizeof peer;
        const int fd = ::accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &size,
                                 SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return; // EAGAIN: none left
        }
        if (size <= sizeof peer.sun_family) {
            // An earlier Moxel's second start: it waits for an answer
            // without asking.
            carryOut(InstanceRequest{InstanceRequest::Kind::Show});
            answer(fd, std::string(kTaken) + "\n");
            ::close(fd);
        } else if (watch(events_, fd, true)) {
            waiting_.push_back({fd, "", Clock::now() + kRequestLimit});
        } else {
            answer(fd, kRefused);
            ::close(fd);
        }
    }
}

bool InstanceRequestListener::read(Waiting& waiting,
                                   const std::function<void(const InstanceRequest&)>& carryOut) {
    char buffer[kMaxRequestLine + 2];
    for (;;) {
        const ssize_t got = ::recv(waiting.fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return false;
        }
        if (got <= 0) {
            return true; // gone before it asked: nobody to answer
        }
        waiting.received.append(buffer, static_cast<std::size_t>(got));
        const std::size_t end = waiting.received.find('\n');
        if (end == std::string::npos && waiting.received.size() <= kMaxRequestLine) {
            continue;
        }
        // One line, and nothing after it.
        const std::optional<InstanceRequest> request =
            end + 1 == waiting.received.size()
                ? parseRequestLine(std::string_view(waiting.received).substr(0, end))
                : std::nullopt;
        if (request) {
            carryOut(*request);
            answer(waiting.fd, std::string(kTaken) + " " + requestLine(*request) + "\n");
        } else {
            answer(waiting.fd, kRefused);
        }
        return true;
    }
}

void InstanceRequestListener::serve(const std::function<void(const InstanceRequest&)>& carryOut) {
    if (events_ < 0 || serving_) {
        return;
    }
    serving_ = true;
    std::uint64_t expirations = 0;
    [[maybe_unused]] const auto cleared = ::read(timer_, &expirations, sizeof expirations);
    acceptWaiting(carryOut);
    const Clock::time_point now = Clock::now();
    std::erase_if(waiting_, [&](Waiting& waiting) {
        bool done = read(waiting, carryOut);
        if (!done && waiting.deadline <= now) {
            answer(waiting.fd, kRefused);
            done = true;
        }
        if (done) {
            ::close(waiting.fd);
        }
        return done;
    });
    watchListener(waiting_.size() < kMaxWaiting);
    armTimer();
    serving_ = false;
}

} // namespace moxel
