#pragma once

#ifdef _WIN32
#include <chrono>

#include <windows.h>

namespace moxel::test {

// Dispatches this thread's window messages until the condition holds or the
// timeout passes, looking again every millisecond: how a Windows test waits
// for its windows, timers and other threads. Returns the condition's last
// value.
template <typename Done>
bool pumpUntil(Done done, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
}

} // namespace moxel::test
#endif
