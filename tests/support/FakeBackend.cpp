#include "support/FakeBackend.h"

#include <algorithm>
#include <utility>

#include "midi/ShortMessage.h"
#include "relay/ResetSequence.h"

namespace moxel {

int FakeBackend::count(const char* what, const std::vector<Device>& list) {
    calls.emplace_back(what);
    return service ? static_cast<int>(list.size()) : 0;
}

DeviceCaps FakeBackend::capsOf(const std::vector<Device>& list, int id) {
    if (id < 0 || id >= static_cast<int>(list.size())) {
        return {};
    }
    const Device& device = list[static_cast<std::size_t>(id)];
    return {device.caps, device.caps == CapsResult::Ok ? device.name : std::string(), device.owner};
}

OpenResult FakeBackend::open(const std::vector<Device>& list, int id, MidiHandle& handle,
                             Open& into, const char* what) {
    log(what, id);
    handle = 0;
    const bool exists = service && id >= 0 && id < static_cast<int>(list.size());
    const OpenResult result = exists ? list[static_cast<std::size_t>(id)].open : OpenResult::Failed;
    if (result == OpenResult::Ok) {
        handle = nextHandle_++;
        into = {handle, id, list[static_cast<std::size_t>(id)].name};
    }
    return result;
}

OpenResult FakeBackend::openInput(int id, MidiHandle& handle) {
    return open(inputs, id, handle, input_, "openInput");
}

// Connected while a device of its name is still listed by name.
bool FakeBackend::deviceConnected(MidiHandle handle) {
    const bool input = handle == input_.handle;
    const Open& open = input ? input_ : output_;
    const std::vector<Device>& list = input ? inputs : outputs;
    return handle != 0 && (input || handle == output_.handle) && service &&
           std::ranges::any_of(list, [&](const Device& d) { return d.name == open.name; });
}

void FakeBackend::startInput(MidiHandle handle) {
    log("startInput", input_.id);
    engine_.shared().inputOpen = handle != 0 && handle == input_.handle;
}

void FakeBackend::closeInput(MidiHandle handle) {
    log("closeInput", input_.id);
    if (handle == input_.handle) {
        engine_.shared().inputOpen = false;
        input_ = {};
    }
}

OpenResult FakeBackend::openOutput(int id, MidiHandle& handle) {
    const OpenResult result = open(outputs, id, handle, output_, "openOutput");
    engine_.shared().outputOpen = result == OpenResult::Ok;
    if (result == OpenResult::Ok && onOutputOpened) {
        onOutputOpened();
    }
    return result;
}

void FakeBackend::resetOutput(MidiHandle handle) {
    log("resetOutput", output_.id);
    if (handle == 0 || handle != output_.handle) {
        return;
    }
    ResetSequence reset;
    reset.start();
    for (std::array<std::uint8_t, 3> message{}; reset.peek(engine_.notes(), message);
         reset.advance()) {
        sent.emplace_back(message.begin(), message.end());
    }
    engine_.notes().clear();
}

void FakeBackend::closeOutput(MidiHandle handle) {
    log("closeOutput", output_.id);
    if (handle == output_.handle) {
        engine_.shared().outputOpen = false;
        output_ = {};
    }
}

void FakeBackend::deliver(std::vector<std::uint8_t> bytes, MessageSource source) {
    const std::uint8_t original = bytes[0];
    const auto size = static_cast<unsigned>(bytes.size());
    if (engine_.prepareOutput(bytes.data(), size, source)) {
        engine_.markSent(original, bytes.data(), size, source);
        sent.push_back(std::move(bytes));
    }
    wakeOnNews();
}

bool FakeBackend::sendShort(MidiHandle handle, std::uint32_t message) {
    if (handle == 0 || handle != output_.handle || !isSendableShortMessage(message)) {
        return false;
    }
    std::array<std::uint8_t, 3> bytes{};
    const unsigned size = unpackShortMessage(message, bytes);
    deliver({bytes.begin(), bytes.begin() + size}, MessageSource::Ui);
    return true;
}

void FakeBackend::receive(std::vector<std::uint8_t> bytes) {
    if (engine_.acceptInput()) {
        deliver(std::move(bytes), MessageSource::Input);
    }
}

// As a real backend does after each cycle: the window hears of news only
// when it is not reading it by itself.
void FakeBackend::wakeOnNews() {
    if (engine_.takeNews() && activity_) {
        activity_();
    }
}

} // namespace moxel
