#include "midi/SwitchingBackend.h"

#include <utility>

namespace moxel::midi {

namespace {

constexpr std::array kNews = {News::Relay, News::Devices};

} // namespace

SwitchingBackend::SwitchingBackend(MidiSystems systems, std::unique_ptr<MidiBackend> first,
                                   std::function<const MidiSystem&()> firstSystem, MakeBackend make)
    : systems_(systems), backend_(std::move(first)), firstSystem_(std::move(firstSystem)),
      make_(std::move(make)) {}

const MidiSystem& SwitchingBackend::current() {
    if (firstSystem_) {
        system_ = &std::exchange(firstSystem_, nullptr)();
    }
    return *system_;
}

void SwitchingBackend::use(const MidiSystem& system) {
    if (system == current()) {
        return;
    }
    // The old backend goes first: its threads stop before the new one's start.
    for (const News kind : kNews) {
        backend_->setNewsCallback(kind, {});
    }
    backend_.reset();
    backend_ = make_(system);
    system_ = &system;
    for (const News kind : kNews) {
        backend_->setNewsCallback(kind, callbacks_[kind == News::Relay ? 0 : 1]);
    }
}

void SwitchingBackend::setNewsCallback(News kind, std::function<void()> callback) {
    callbacks_[kind == News::Relay ? 0 : 1] = callback;
    backend_->setNewsCallback(kind, std::move(callback));
}

} // namespace moxel::midi
