#include "app/qt/ShowOnRequest.h"

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include <QSocketNotifier>

namespace moxel {

namespace {

// A listening socket at that path, or -1.
int listenAt(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return -1;
    }
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    const auto bindTo = [&] {
        return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
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

ShowOnRequest::ShowOnRequest(const std::string& socketFile, std::function<void()> show,
                             QObject* parent)
    : QObject(parent), socketFile_(socketFile), show_(std::move(show)),
      listener_(listenAt(socketFile)) {
    if (listener_ < 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(listener_, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &ShowOnRequest::takeRequests);
}

ShowOnRequest::~ShowOnRequest() {
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(socketFile_.c_str());
    }
}

// Each connection is one request; what it says does not matter.
void ShowOnRequest::takeRequests() {
    for (;;) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return; // EAGAIN: none left
        }
        ::close(client);
        show_();
    }
}

} // namespace moxel
