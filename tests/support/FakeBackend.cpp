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

std::vector<midi::DeviceCaps> FakeBackend::listing(const std::vector<Device>& devices) const {
    std::vector<midi::DeviceCaps> listed;
    for (const Device& device : service ? devices : std::vector<Device>{}) {
        listed.push_back({device.caps,
                          device.caps == midi::CapsResult::Ok ? device.name : std::string(),
                          device.owner});
    }
    return listed;
}

std::vector<midi::DeviceCaps> FakeBackend::list(midi::Direction side) {
    const bool input = side == midi::Direction::Input;
    calls.emplace_back(input ? "inputs" : "outputs");
    return listing(input ? inputs : outputs);
}

// The device's name as it is now, as a service reads it again at the open.
midi::OpenResult FakeBackend::connect(midi::Direction side, int id, midi::DeviceCaps& device) {
    const bool input = side == midi::Direction::Input;
    const std::vector<Device>& devices = input ? inputs : outputs;
    log(input ? "openInput" : "openOutput", id);
    const bool exists = service && id >= 0 && id < static_cast<int>(devices.size());
    const midi::OpenResult result =
        exists ? devices[static_cast<std::size_t>(id)].open : midi::OpenResult::Failed;
    (input ? inputId_ : outputId_) = result == midi::OpenResult::Ok ? id : -1;
    if (result != midi::OpenResult::Ok) {
        return result;
    }
    device = listing(devices)[static_cast<std::size_t>(id)];
    if (!input) {
        outputDevice_ = outputs[static_cast<std::size_t>(id)].name;
        if (onOutputOpened) {
            onOutputOpened();
        }
    }
    return result;
}

void FakeBackend::disconnect(midi::Direction side) {
    int& id = side == midi::Direction::Input ? inputId_ : outputId_;
    log(side == midi::Direction::Input ? "closeInput" : "closeOutput", id);
    id = -1;
}

// Connected while a device of its name is still listed.
bool FakeBackend::connected(midi::Direction side) {
    const bool input = side == midi::Direction::Input;
    const std::string& name = input ? inputName() : outputName();
    return std::ranges::any_of(input ? inputs : outputs,
                               [&](const Device& d) { return d.name == name; });
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
    if (relay().endCycle()) {
        tellNews(midi::News::Relay);
    }
}

} // namespace moxel
