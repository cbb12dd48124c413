#pragma once

#include <chrono>
#include <ctime>

namespace moxel::test {

// Polls a condition until it holds or the timeout passes: the way tests wait
// for something another thread does. Returns the condition's last value.
template <typename Done>
bool waitUntil(Done done, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        timespec interval{0, 1000000};
        nanosleep(&interval, nullptr);
    }
}

} // namespace moxel::test
