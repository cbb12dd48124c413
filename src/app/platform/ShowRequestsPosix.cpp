#include "app/platform/ShowRequests.h"

#include <cerrno>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace moxel {

namespace {

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

bool askRunningInstanceToShow(const std::string& socketFile) {
    const std::optional<sockaddr_un> address = addressOf(socketFile);
    if (!address) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool asked = ::connect(fd, asSockaddr(*address), sizeof *address) == 0 &&
                       ::send(fd, "show\n", 5, MSG_NOSIGNAL) == 5; // the listener may close first
    ::close(fd);
    return asked;
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
        ::close(client);
        ++requests;
    }
    return requests;
}

} // namespace moxel
