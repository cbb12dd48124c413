#include "midi/NewsCallbacks.h"

#include <thread>
#include <utility>

namespace moxel::midi {

// Sequentially consistent on both sides: a tell() that counted itself in
// after the new callback was stored reads the new one, and one that counted
// itself in before is waited for.
void NewsCallbacks::tell(News kind) noexcept {
    inside_.fetch_add(1);
    if (const std::function<void()>* callback = callbacks_[slot(kind)].load()) {
        (*callback)();
    }
    inside_.fetch_sub(1);
}

void NewsCallbacks::setCallback(News kind, std::function<void()> callback) {
    std::unique_ptr<std::function<void()>> next;
    if (callback) {
        next = std::make_unique<std::function<void()>>(std::move(callback));
    }
    callbacks_[slot(kind)].store(next.get());
    while (inside_.load() != 0) {
        std::this_thread::yield(); // a callback only hands news over: this is short
    }
    storage_[slot(kind)] = std::move(next);
}

} // namespace moxel::midi
