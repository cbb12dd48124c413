#include "midi/backends/jack/ActivityNotifier.h"

#include <utility>

namespace moxel {

ActivityNotifier::ActivityNotifier() : thread_([this] { run(); }) {}

ActivityNotifier::~ActivityNotifier() {
    stopping_.store(true, std::memory_order_release);
    pending_.store(1, std::memory_order_release);
    pending_.notify_one();
    thread_.join();
}

void ActivityNotifier::setCallback(std::function<void()> callback) {
    std::lock_guard lock(callbackMutex_);
    callback_ = std::move(callback);
}

void ActivityNotifier::run() {
    for (;;) {
        // Parked until the pending flag is raised; no polling.
        pending_.wait(0, std::memory_order_acquire);
        // Lower the flag before calling out: news that arrives while the
        // callback runs raises it again and is reported by the next turn, so
        // nothing is lost. The exchange also reads the destructor's raise, so
        // its stop request is seen below.
        pending_.exchange(0, std::memory_order_acq_rel);
        if (stopping_.load(std::memory_order_acquire)) {
            return;
        }
        std::lock_guard lock(callbackMutex_);
        if (callback_) {
            callback_();
        }
    }
}

} // namespace moxel
