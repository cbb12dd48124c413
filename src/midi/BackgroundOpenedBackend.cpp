#include "midi/BackgroundOpenedBackend.h"

#include <utility>

namespace moxel {

BackgroundOpenedBackend::BackgroundOpenedBackend(Make make)
    : making_([this, make = std::move(make)] { backend_ = make(); }) {}

BackgroundOpenedBackend::~BackgroundOpenedBackend() {
    if (making_.joinable()) {
        making_.join();
    }
}

MidiBackend& BackgroundOpenedBackend::made() {
    if (making_.joinable()) {
        making_.join(); // the join makes the new backend visible to this thread
    }
    return *backend_;
}

} // namespace moxel
