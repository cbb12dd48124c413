#include "midi/BackgroundOpenedBackend.h"

#include <utility>

namespace moxel::midi {

BackgroundOpenedBackend::BackgroundOpenedBackend(Make make) : make_(std::move(make)) {}

void BackgroundOpenedBackend::startMaking() {
    if (make_) {
        making_ = std::thread([this, make = std::move(make_)] { backend_ = make(); });
        make_ = nullptr;
    }
}

BackgroundOpenedBackend::~BackgroundOpenedBackend() {
    if (making_.joinable()) {
        making_.join();
    }
}

MidiBackend& BackgroundOpenedBackend::made() {
    if (make_) {
        backend_ = make_();
        make_ = nullptr;
    } else if (making_.joinable()) {
        making_.join(); // the join makes the new backend visible to this thread
    }
    return *backend_;
}

} // namespace moxel::midi
