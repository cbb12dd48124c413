#include "app/platform/PollUiLoop.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>
#include <utility>

#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace moxel {

namespace {

// True when the descriptor had a count to read (a timer's expirations, the
// wakes), which is now taken.
bool taken(int fd) {
    std::uint64_t count = 0;
    return ::read(fd, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

} // namespace

PollUiLoop::PollUiLoop(std::chrono::milliseconds serviceSearch,
                       std::chrono::milliseconds settingsRetry)
    : serviceSearch_(serviceSearch), settingsRetry_(settingsRetry) {
    int error = 0;
    const auto made = [&error](int fd) {
        if (fd < 0 && error == 0) {
            error = errno;
        }
        return fd;
    };
    for (int& timer : timers_) {
        timer = made(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
    }
    wake_ = made(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (error != 0) {
        closeAll();
        throw std::system_error(error, std::generic_category(), "the event loop's timers");
    }
    for (const int fd : timers_) {
        fds_.push_back({fd, POLLIN, 0});
    }
    fds_.push_back({wake_, POLLIN, 0});
}

void PollUiLoop::watch(int fd, std::function<void()> ready) {
    fds_.push_back({fd, POLLIN, 0});
    watched_.push_back(std::move(ready));
}

PollUiLoop::~PollUiLoop() {
    closeAll();
}

void PollUiLoop::closeAll() {
    for (int* fd : {&timers_[Lamp], &timers_[ServiceSearch], &timers_[SettingsRetry], &wake_}) {
        if (*fd >= 0) {
            ::close(std::exchange(*fd, -1));
        }
    }
}

void PollUiLoop::processEvents() {
    turn(0);
}

void PollUiLoop::runEventLoop() {
    while (!quit_.load()) {
        turn(-1);
    }
    quit_.store(false);
}

void PollUiLoop::quitEventLoop() {
    quit_.store(true);
    wake();
}

void PollUiLoop::turn(int timeoutMs) {
    if (::poll(fds_.data(), fds_.size(), timeoutMs) <= 0) {
        return; // nothing due, or a signal came
    }
    static constexpr std::array<void (MainWindowEvents::*)(), kTimers> kTicks{
        &MainWindowEvents::lampTick, &MainWindowEvents::serviceSearchTick,
        &MainWindowEvents::settingsRetryTick};
    for (std::size_t i = 0; i < kTimers; ++i) {
        // A handler before may have stopped this timer: then there is
        // nothing to read any more.
        if ((fds_[i].revents & POLLIN) != 0 && taken(timers_[i]) && events_ != nullptr) {
            (events_->*kTicks[i])();
        }
    }
    if ((fds_[kTimers].revents & POLLIN) != 0) {
        taken(wake_);
        for (const auto& [pending, handler] :
             {std::pair{&relayNote_, &MainWindowEvents::relayNews},
              {&devicesNote_, &MainWindowEvents::devicesChanged}}) {
            if (pending->exchange(false) && events_ != nullptr) {
                (events_->*handler)();
            }
        }
    }
    for (std::size_t i = 0; i < watched_.size(); ++i) {
        if ((fds_[kTimers + 1 + i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            watched_[i]();
        }
    }
}

void PollUiLoop::setTimer(Timer timer, std::chrono::milliseconds interval) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(interval);
    const timespec every{static_cast<time_t>(seconds.count()),
                         static_cast<long>((interval - seconds).count() * 1'000'000)};
    const itimerspec setting{every, every}; // zero: stopped
    ::timerfd_settime(timers_[timer], 0, &setting, nullptr);
}

void PollUiLoop::setLampTimer(std::chrono::milliseconds interval) {
    setTimer(Lamp, std::max(interval, std::chrono::milliseconds{0}));
}

void PollUiLoop::setServiceSearchActive(bool active) {
    runWhile(ServiceSearch, active, serviceSearch_);
}

void PollUiLoop::setSettingsRetryActive(bool active) {
    runWhile(SettingsRetry, active, settingsRetry_);
}

// A timer that runs already goes on at its pace.
void PollUiLoop::runWhile(Timer timer, bool active, std::chrono::milliseconds interval) {
    if (std::exchange(running_[timer], active) != active) {
        setTimer(timer, active ? interval : std::chrono::milliseconds{0});
    }
}

void PollUiLoop::notifyRelayNews() {
    note(relayNote_);
}

void PollUiLoop::notifyDevicesChanged() {
    note(devicesNote_);
}

void PollUiLoop::note(std::atomic<bool>& pending) {
    if (!pending.exchange(true)) {
        wake();
    }
}

void PollUiLoop::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
}

} // namespace moxel
