#include "app/qt/CloseOnExit.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace moxel {

namespace {
std::atomic<CloseOnExit*> g_armed{nullptr};
std::once_flag g_hooked;
} // namespace

CloseOnExit::CloseOnExit(std::function<void()> close)
    : close_(std::move(close)), thread_(std::this_thread::get_id()) {
    g_armed.store(this);
}

CloseOnExit::~CloseOnExit() {
    CloseOnExit* self = this;
    g_armed.compare_exchange_strong(self, nullptr);
}

void CloseOnExit::hookIntoExit() {
    std::call_once(g_hooked, [] { std::atexit(&CloseOnExit::runAtExit); });
}

void CloseOnExit::runAtExit() {
    // Once only. An exit from another thread leaves the close alone: the
    // thread that owns what it closes is still running.
    CloseOnExit* armed = g_armed.exchange(nullptr);
    if (armed != nullptr && armed->thread_ == std::this_thread::get_id() && armed->close_) {
        armed->close_();
    }
}

} // namespace moxel
