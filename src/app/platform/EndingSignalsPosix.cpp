#include "app/platform/EndingSignals.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace moxel {

namespace {
int g_signalPipe[2] = {-1, -1};

// The requests to end: a service manager's or a logout's SIGTERM, Ctrl+C, and
// the hangup of the terminal Moxel was started from.
constexpr std::array<int, 3> kEndingSignals = {SIGTERM, SIGINT, SIGHUP};
// What each of them did before, put back when Moxel has closed.
std::array<struct sigaction, kEndingSignals.size()> g_previous{};

extern "C" void onTerminationSignal(int /*signal*/) {
    const char byte = 1;
    // write() is async-signal-safe; a full pipe already carries the news.
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// Nothing: a write to a pipe whose reader is gone (a terminal's, a log's)
// then fails with EPIPE instead of ending Moxel with its notes sounding. A
// handler rather than SIG_IGN, which the programs Moxel starts would inherit.
extern "C" void onBrokenPipe(int /*signal*/) {}
} // namespace

void EndingSignals::installHandlers() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;
    }
    ::fcntl(g_signalPipe[0], F_SETFL, O_NONBLOCK);
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        ::sigaction(kEndingSignals[i], nullptr, &g_previous[i]);
        // A hangup or an interrupt ignored by whoever started Moxel (nohup, a
        // background job of a script) stays ignored.
        if (kEndingSignals[i] == SIGTERM || g_previous[i].sa_handler != SIG_IGN) {
            ::sigaction(kEndingSignals[i], &action, nullptr);
        }
    }
    action.sa_handler = onBrokenPipe;
    ::sigaction(SIGPIPE, &action, nullptr);
}

EndingSignals::EndingSignals() {
    if (g_signalPipe[0] < 0) {
        installHandlers();
    }
}

EndingSignals::~EndingSignals() {
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        ::sigaction(kEndingSignals[i], &g_previous[i], nullptr);
    }
    for (int& fd : g_signalPipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

int EndingSignals::descriptor() const {
    return g_signalPipe[0];
}

void EndingSignals::take() {
    char buffer[16];
    while (::read(g_signalPipe[0], buffer, sizeof buffer) == static_cast<ssize_t>(sizeof buffer)) {
    }
}

} // namespace moxel
