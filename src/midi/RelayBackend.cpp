#include "midi/RelayBackend.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "relay/MidiMessage.h"
#include "relay/RelayShared.h"

namespace moxel::midi {

namespace {

constexpr auto kPollInterval = std::chrono::microseconds(250);

} // namespace

RelayBackend::RelayBackend(RelayShared& shared, Relay::Delivery delivery)
    : shared_(shared), relay_(shared, delivery), news_(std::make_shared<NewsCallbacks>()) {}

// A thread of the service's that outlives the backend (a NewsThread kept by
// a JACK client left to its server) tells nobody.
RelayBackend::~RelayBackend() {
    news_->setCallback(News::Relay, {});
    news_->setCallback(News::Devices, {});
}

std::vector<DeviceCaps> RelayBackend::inputs() {
    inputs_ = list(Direction::Input);
    return inputs_;
}

std::vector<DeviceCaps> RelayBackend::outputs() {
    outputs_ = list(Direction::Output);
    return outputs_;
}

namespace {

bool sameListing(const std::vector<DeviceCaps>& a, const std::vector<DeviceCaps>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const DeviceCaps& x, const DeviceCaps& y) {
                          return x.result == y.result && x.name == y.name;
                      });
}

} // namespace

bool RelayBackend::relist() {
    std::vector<DeviceCaps> inputs = list(Direction::Input);
    std::vector<DeviceCaps> outputs = list(Direction::Output);
    const bool same = sameListing(inputs, inputs_) && sameListing(outputs, outputs_);
    inputs_ = std::move(inputs);
    outputs_ = std::move(outputs);
    return !same;
}

void RelayBackend::setNewsCallback(News kind, std::function<void()> callback) {
    news_->setCallback(kind, std::move(callback));
}

bool RelayBackend::deviceConnected(MidiHandle handle) {
    const bool input = handle == input_.handle;
    if (handle == 0 || (!input && handle != output_.handle) || !serviceAvailable()) {
        return false;
    }
    return connected(input ? Direction::Input : Direction::Output);
}

DeviceCaps RelayBackend::atPosition(const std::vector<DeviceCaps>& listing, int id) {
    if (id < 0 || static_cast<std::size_t>(id) >= listing.size()) {
        return {};
    }
    return listing[static_cast<std::size_t>(id)];
}

MidiHandle RelayBackend::nextHandle() noexcept {
    ++lastHandle_;
    if (lastHandle_ == 0) {
        ++lastHandle_;
    }
    return lastHandle_;
}

bool RelayBackend::settled(Direction side) const noexcept {
    const Open& open = side == Direction::Input ? input_ : output_;
    return open.handle != 0 && relay_.cycles() >= open.readyCycle;
}

OpenResult RelayBackend::openInput(int id, MidiHandle& handle) {
    handle = 0;
    closeInput(input_.handle);
    DeviceCaps device = atPosition(inputs_, id);
    const OpenResult result = connect(Direction::Input, id, device);
    if (result == OpenResult::Ok) {
        // In effect a cycle or two later, by which time startInput has let
        // the relay take what comes.
        input_ = {nextHandle(), device.name, relay_.cycles() + 2};
        handle = input_.handle;
    }
    return result;
}

std::string RelayBackend::openName(MidiHandle handle) {
    if (handle != 0 && handle == input_.handle) {
        return input_.name;
    }
    return handle != 0 && handle == output_.handle ? output_.name : std::string();
}

void RelayBackend::startInput(MidiHandle handle) {
    if (handle != 0 && handle == input_.handle && serviceAvailable()) {
        shared_.inputOpen.store(true, std::memory_order_release);
        startInputDevice();
    }
}

void RelayBackend::closeInput(MidiHandle handle) {
    if (handle == 0 || handle != input_.handle) {
        return;
    }
    shared_.inputOpen.store(false, std::memory_order_release);
    input_ = {};
    if (!serviceAvailable()) {
        return;
    }
    disconnect(Direction::Input);
    passCycles(); // no cycle carries the old device's data any more
    // Its note-offs can never come now: release what it left sounding.
    if (output_.handle != 0) {
        const std::uint64_t ticket = relay_.request(RelayJob::ReleaseInput);
        waitFor([&] { return relay_.done(RelayJob::ReleaseInput, ticket); });
    }
}

OpenResult RelayBackend::openOutput(int id, MidiHandle& handle) {
    handle = 0;
    closeOutput(output_.handle);
    DeviceCaps device = atPosition(outputs_, id);
    // Notes left sounding when this device went away are released before
    // anything else reaches it; otherwise the relay sends from before the
    // connection takes effect, so nothing that arrives once others see the
    // connection is dropped.
    const bool release = !parkedFor_.empty() && parkedFor_ == device.name;
    shared_.outputOpen.store(!release, std::memory_order_release);
    const OpenResult result = connect(Direction::Output, id, device);
    if (result != OpenResult::Ok) {
        shared_.outputOpen.store(false, std::memory_order_release);
        return result;
    }
    output_ = {nextHandle(), device.name, relay_.cycles() + 2};
    lastOutput_ = device.name;
    handle = output_.handle;
    if (release) {
        const std::uint64_t ticket = relay_.releaseParkedFrom(output_.readyCycle);
        waitFor([&] { return relay_.heard(RelayJob::ReleaseParked, ticket); });
        parkedFor_.clear();
        shared_.outputOpen.store(true, std::memory_order_release);
    }
    return OpenResult::Ok;
}

void RelayBackend::resetOutput(MidiHandle handle) {
    if (handle == 0 || handle != output_.handle || !serviceAvailable()) {
        return;
    }
    waitUntilOutputReady();
    const std::uint64_t ticket = relay_.request(RelayJob::Reset);
    // Returns once the whole sequence has reached the device, so a close
    // right after cannot cut it off.
    waitFor([&] { return relay_.heard(RelayJob::Reset, ticket); });
}

void RelayBackend::closeOutput(MidiHandle handle) {
    if (handle == 0 || handle != output_.handle) {
        return;
    }
    shared_.outputOpen.store(false, std::memory_order_release);
    const Open closing = std::exchange(output_, Open{});
    if (!serviceAvailable()) {
        return; // the service went: the relay keeps what sounded (relayStopped)
    }
    disconnect(Direction::Output);
    passCycles(); // nothing reaches the old device any more
    // Closed without a reset (the device went away): what still sounds on it
    // is released when a device of its name is opened again.
    const std::uint64_t ticket = relay_.request(RelayJob::Park);
    if (waitFor([&] { return relay_.done(RelayJob::Park, ticket); }) && relay_.parkedSome()) {
        parkedFor_ = closing.name;
    }
}

bool RelayBackend::sendShort(MidiHandle handle, std::uint32_t message) {
    if (handle == 0 || handle != output_.handle || !serviceAvailable() ||
        !midi::isSendableShortMessage(message)) {
        return false;
    }
    waitUntilOutputReady();
    const bool queued = relay_.queueShort(message);
    wakeRelay();
    return queued;
}

void RelayBackend::relayStopped() {
    shared_.inputOpen.store(false, std::memory_order_release);
    shared_.outputOpen.store(false, std::memory_order_release);
    input_ = {};
    output_ = {};
    // The notes always belong to the output opened last: a reset forgot
    // them, an output that went away had them kept aside already.
    if (relay_.stopped() && !lastOutput_.empty()) {
        parkedFor_ = lastOutput_;
    }
}

bool RelayBackend::passCycles() {
    const std::uint64_t ready = relay_.cycles() + 2;
    return waitFor([&] { return relay_.cycles() >= ready; });
}

bool RelayBackend::waitUntilOutputReady() {
    return waitFor([&] { return relay_.cycles() >= output_.readyCycle; });
}

bool RelayBackend::waitFor(const std::function<bool()>& done) {
    const std::uint64_t begun = relay_.cycles();
    const auto deadline = std::chrono::steady_clock::now() + waitLimit();
    for (;;) {
        if (done()) {
            return true;
        }
        if (serviceGone() || relayStalled()) {
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            if (relay_.cycles() == begun) {
                stalledAt_ = begun + 1;
            }
            return false;
        }
        wakeRelay();
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

} // namespace moxel::midi
