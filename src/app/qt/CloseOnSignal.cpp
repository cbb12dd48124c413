#include "app/qt/CloseOnSignal.h"

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

#include <QSocketNotifier>

namespace moxel {

namespace {
int g_signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int /*signal*/) {
    const char byte = 1;
    // write() is async-signal-safe; a full pipe already carries the news.
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}
} // namespace

void CloseOnSignal::installHandlers() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;
    }
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

CloseOnSignal::CloseOnSignal(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (g_signalPipe[0] < 0) {
        installHandlers();
    }
    if (g_signalPipe[0] < 0) {
        return;
    }
    notifier_ = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        [[maybe_unused]] const auto got = ::read(g_signalPipe[0], buffer, sizeof buffer);
        if (onSignal_) {
            onSignal_();
        }
    });
}

CloseOnSignal::~CloseOnSignal() {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    for (int& fd : g_signalPipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

} // namespace moxel
