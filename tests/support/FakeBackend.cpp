#include "support/FakeBackend.h"

#include <algorithm>
#include <utility>

namespace moxel {

// The output: what the relay writes is recorded, the service's reset logged.
class FakeBackend::Writer final : public RelayWriter {
  public:
    explicit Writer(FakeBackend& backend) : backend_(backend) {}
    bool write(const std::uint8_t* bytes, std::size_t size,
               std::uint32_t /*time*/) noexcept override {
        if (backend_.outputId_ >= 0) {
            backend_.sent.emplace_back(bytes, bytes + size);
            backend_.sentTo[backend_.outputDevice_].emplace_back(bytes, bytes + size);
        }
        return true;
    }
    bool resetDevice() noexcept override {
        backend_.log("resetOutput", backend_.outputId_);
        return false;
    }

  private:
    FakeBackend& backend_;
};

std::vector<DeviceCaps> FakeBackend::list(const std::vector<Device>& devices) const {
    std::vector<DeviceCaps> listing;
    for (const Device& device : service ? devices : std::vector<Device>{}) {
        listing.push_back({device.caps, device.caps == CapsResult::Ok ? device.name : std::string(),
                           device.owner});
    }
    return listing;
}

OpenResult FakeBackend::open(const std::vector<Device>& devices, int id, const char* what) {
    log(what, id);
    const bool exists = service && id >= 0 && id < static_cast<int>(devices.size());
    return exists ? devices[static_cast<std::size_t>(id)].open : OpenResult::Failed;
}

// The device's name as it is now, as a service reads it again at the open.
OpenResult FakeBackend::connectInput(int id, DeviceCaps& device) {
    const OpenResult result = open(inputs, id, "openInput");
    inputId_ = result == OpenResult::Ok ? id : -1;
    if (result == OpenResult::Ok) {
        device = list(inputs)[static_cast<std::size_t>(id)];
    }
    return result;
}

void FakeBackend::disconnectInput() {
    log("closeInput", inputId_);
    inputId_ = -1;
}

OpenResult FakeBackend::connectOutput(int id, DeviceCaps& device) {
    const OpenResult result = open(outputs, id, "openOutput");
    outputId_ = result == OpenResult::Ok ? id : -1;
    outputDevice_ = result == OpenResult::Ok ? outputs[static_cast<std::size_t>(id)].name : "";
    if (result == OpenResult::Ok) {
        device = list(outputs)[static_cast<std::size_t>(id)];
    }
    if (result == OpenResult::Ok && onOutputOpened) {
        onOutputOpened();
    }
    return result;
}

void FakeBackend::disconnectOutput() {
    log("closeOutput", outputId_);
    outputId_ = -1;
}

// Connected while a device of its name is still listed.
bool FakeBackend::deviceConnected(MidiHandle handle) {
    const bool input = handle == inputHandle();
    const std::vector<Device>& devices = input ? inputs : outputs;
    const std::string& name = input ? inputName() : outputName();
    return handle != 0 && (input || handle == outputHandle()) && service &&
           std::ranges::any_of(devices, [&](const Device& d) { return d.name == name; });
}

void FakeBackend::receive(std::vector<std::uint8_t> bytes) {
    arrived_.push_back(std::move(bytes));
    runCycle();
}

// One cycle of the relay, as a real backend's context runs it; the window
// hears of news only when it is not reading it by itself.
void FakeBackend::runCycle() {
    Writer out(*this);
    relay().beginCycle(out);
    for (; !arrived_.empty(); arrived_.pop_front()) {
        const auto& bytes = arrived_.front();
        relay().relayInput(bytes.data(), bytes.size(), 0, out);
    }
    if (relay().endCycle() && activity_) {
        activity_();
    }
}

} // namespace moxel
