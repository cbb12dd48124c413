#include "midi/ActivityNotifier.h"

#include <pthread.h>

#include <utility>

namespace moxel {

ActivityNotifier::ActivityNotifier() : thread_([this] { run(); }) {}

ActivityNotifier::~ActivityNotifier() {
    pending_.fetch_or(kStop, std::memory_order_acq_rel);
    pending_.notify_one();
    thread_.join();
}

void ActivityNotifier::setCallback(News kind, std::function<void()> callback) {
    std::lock_guard lock(callbackMutex_);
    (kind == News::Relay ? relayCallback_ : devicesCallback_) = std::move(callback);
}

void ActivityNotifier::run() {
    pthread_setname_np(pthread_self(), "moxel-news");
    for (;;) {
        // Parked until a bit is raised; no polling.
        pending_.wait(0, std::memory_order_acquire);
        // Lower the bits before calling out: news that arrives while a
        // callback runs raises them again and is reported by the next turn,
        // so nothing is lost.
        const std::uint32_t news = pending_.exchange(0, std::memory_order_acq_rel);
        if ((news & kStop) != 0) {
            return;
        }
        std::lock_guard lock(callbackMutex_);
        if ((news & static_cast<std::uint32_t>(News::Devices)) != 0 && devicesCallback_) {
            devicesCallback_();
        }
        if ((news & static_cast<std::uint32_t>(News::Relay)) != 0 && relayCallback_) {
            relayCallback_();
        }
    }
}

} // namespace moxel
