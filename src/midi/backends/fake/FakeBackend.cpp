#include "midi/backends/fake/FakeBackend.h"

#include <utility>

#include "midi/ShortMessage.h"

namespace moxel {

namespace {
DeviceCaps capsOf(const std::vector<FakeBackend::Device>& list, int id) {
    if (id < 0 || id >= static_cast<int>(list.size())) {
        return {};
    }
    const auto& device = list[static_cast<std::size_t>(id)];
    return {device.caps, device.caps == CapsResult::Ok ? device.name : std::string()};
}

std::string describe(const char* what, long value) {
    return std::string(what) + " " + std::to_string(value);
}
} // namespace

int FakeBackend::inputCount() {
    calls.emplace_back("inputCount");
    return static_cast<int>(inputs.size());
}

DeviceCaps FakeBackend::inputCaps(int id) {
    return capsOf(inputs, id);
}

int FakeBackend::outputCount() {
    calls.emplace_back("outputCount");
    return static_cast<int>(outputs.size());
}

DeviceCaps FakeBackend::outputCaps(int id) {
    return capsOf(outputs, id);
}

OpenResult FakeBackend::open(const std::vector<Device>& list, int id, MidiHandle& handle,
                             const char* what) {
    calls.push_back(describe(what, id));
    handle = 0;
    if (id < 0 || id >= static_cast<int>(list.size())) {
        return OpenResult::Failed;
    }
    if (list[id].open == OpenResult::Ok) {
        handle = nextHandle_++;
    }
    return list[id].open;
}

OpenResult FakeBackend::openInput(int id, MidiHandle& handle) {
    const OpenResult result = open(inputs, id, handle, "openInput");
    if (result == OpenResult::Ok) {
        inputHandle_ = handle;
        inputId_ = id;
    }
    return result;
}

void FakeBackend::startInput(MidiHandle handle) {
    calls.push_back(describe("startInput", inputId_));
    if (handle != 0 && handle == inputHandle_) {
        engine_.shared().inputOpen = true;
    }
}

void FakeBackend::closeInput(MidiHandle handle) {
    calls.push_back(describe("closeInput", inputId_));
    if (handle == inputHandle_) {
        engine_.shared().inputOpen = false;
        inputHandle_ = 0;
        inputId_ = -1;
        std::array<std::uint8_t, 3> noteOff{};
        int inChannel = 0;
        while (outputHandle_ != 0 && engine_.notes().nextInputRelease(noteOff, inChannel)) {
            sent.emplace_back(noteOff.begin(), noteOff.end());
            engine_.notes().recordSent(inChannel, noteOff.data(), 3);
        }
    }
}

OpenResult FakeBackend::openOutput(int id, MidiHandle& handle) {
    const OpenResult result = open(outputs, id, handle, "openOutput");
    if (result == OpenResult::Ok) {
        outputHandle_ = handle;
        outputId_ = id;
        engine_.shared().outputOpen = true;
    }
    return result;
}

void FakeBackend::resetOutput(MidiHandle handle) {
    calls.push_back(describe("resetOutput", outputId_));
    if (handle == 0 || handle != outputHandle_) {
        return;
    }
    ResetSequence reset;
    reset.start();
    std::array<std::uint8_t, 3> message{};
    while (reset.peek(engine_.notes(), message)) {
        sent.emplace_back(message.begin(), message.end());
        engine_.notes().recordSent(-1, message.data(), 3);
        reset.advance();
    }
    engine_.notes().clear();
}

void FakeBackend::closeOutput(MidiHandle handle) {
    calls.push_back(describe("closeOutput", outputId_));
    if (handle == outputHandle_) {
        engine_.shared().outputOpen = false;
        outputHandle_ = 0;
        outputId_ = -1;
    }
}

bool FakeBackend::deliver(std::vector<std::uint8_t> bytes, MessageSource source) {
    if (bytes.empty()) {
        return false;
    }
    const std::uint8_t original = bytes[0];
    if (!engine_.prepareOutput(bytes.data(), static_cast<unsigned>(bytes.size()), source) ||
        sendFails) {
        return false;
    }
    engine_.markSent(original, bytes.data(), static_cast<unsigned>(bytes.size()), source);
    sent.push_back(std::move(bytes));
    return true;
}

bool FakeBackend::sendShort(MidiHandle handle, std::uint32_t message) {
    if (handle == 0 || handle != outputHandle_ || !isSendableShortMessage(message)) {
        return false;
    }
    std::array<std::uint8_t, 3> bytes{};
    const unsigned size = unpackShortMessage(message, bytes);
    const bool ok = deliver({bytes.begin(), bytes.begin() + size}, MessageSource::Ui);
    if (activity_) {
        activity_();
    }
    return ok;
}

void FakeBackend::receive(std::vector<std::uint8_t> bytes) {
    if (engine_.acceptInput()) {
        deliver(std::move(bytes), MessageSource::Input);
    }
    if (activity_) {
        activity_();
    }
}

void FakeBackend::setActivityCallback(std::function<void()> callback) {
    activity_ = std::move(callback);
}

} // namespace moxel
