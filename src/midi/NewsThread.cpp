#include "midi/NewsThread.h"

#include <pthread.h>

#include <utility>

namespace moxel::midi {

NewsThread::NewsThread(std::shared_ptr<NewsCallbacks> callbacks)
    : callbacks_(std::move(callbacks)), thread_([this] { run(); }) {}

NewsThread::~NewsThread() {
    pending_.fetch_or(kStop, std::memory_order_acq_rel);
    pending_.notify_one();
    thread_.join();
}

void NewsThread::run() {
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
        for (const News kind : {News::Devices, News::Relay}) {
            if ((news & static_cast<std::uint32_t>(kind)) != 0) {
                callbacks_->tell(kind);
            }
        }
    }
}

} // namespace moxel::midi
