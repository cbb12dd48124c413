#include "midi/SwitchingBackend.h"

#include <utility>

namespace moxel {

SwitchingBackend::SwitchingBackend(std::unique_ptr<MidiBackend> first,
                                   std::function<MidiSystem()> firstSystem, Make make)
    : backend_(std::move(first)), firstSystem_(std::move(firstSystem)), make_(std::move(make)) {}

MidiSystem SwitchingBackend::current() {
    if (firstSystem_) {
        system_ = std::exchange(firstSystem_, nullptr)();
    }
    return system_;
}

void SwitchingBackend::use(MidiSystem system) {
    if (system == current()) {
        return;
    }
    // The old backend goes first: its threads stop before the new one's start.
    backend_->setActivityCallback({});
    backend_->setDeviceChangeCallback({});
    backend_.reset();
    backend_ = make_(system);
    system_ = system;
    backend_->setActivityCallback(activity_);
    backend_->setDeviceChangeCallback(devices_);
}

void SwitchingBackend::setActivityCallback(std::function<void()> callback) {
    activity_ = callback;
    backend_->setActivityCallback(std::move(callback));
}

void SwitchingBackend::setDeviceChangeCallback(std::function<void()> callback) {
    devices_ = callback;
    backend_->setDeviceChangeCallback(std::move(callback));
}

} // namespace moxel
