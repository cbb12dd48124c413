#include "midi/backends/winmm/WinmmBackend.h"

#include <algorithm>
#include <utility>

#include "midi/ShortMessage.h"
#include "midi/backends/winmm/DeviceWatch.h"
#include "midi/backends/winmm/WinmmDevices.h"
#include "relay/RelayShared.h"

namespace moxel {

namespace {

// SysEx arrives and leaves in 1 KiB buffers: four for the input (over a
// second of a full MIDI cable), sixteen for the output's backlog.
constexpr std::size_t kInputBuffers = 4;
constexpr std::size_t kOutputBuffers = 16;

bool sameCaps(const DeviceCaps& a, const DeviceCaps& b) {
    return a.result == b.result && a.name == b.name;
}

bool sameList(const std::vector<DeviceCaps>& a, const std::vector<DeviceCaps>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameCaps);
}

std::vector<DeviceCaps> listInputs(const WinmmApi& api) {
    std::vector<DeviceCaps> devices(api.midiInGetNumDevs());
    for (std::size_t id = 0; id < devices.size(); ++id) {
        devices[id] = winmmInputCaps(api, static_cast<int>(id));
    }
    return devices;
}

std::vector<DeviceCaps> listOutputs(const WinmmApi& api) {
    std::vector<DeviceCaps> devices(api.midiOutGetNumDevs());
    for (std::size_t id = 0; id < devices.size(); ++id) {
        devices[id] = winmmOutputCaps(api, static_cast<int>(id));
    }
    return devices;
}

bool listed(const std::vector<DeviceCaps>& devices, const std::string& name) {
    return std::any_of(devices.begin(), devices.end(), [&](const DeviceCaps& caps) {
        return caps.result == CapsResult::Ok && caps.name == name;
    });
}

} // namespace

bool WinmmBackend::Listing::operator==(const Listing& other) const {
    return sameList(inputs, other.inputs) && sameList(outputs, other.outputs);
}

WinmmBackend::WinmmBackend(RelayShared& shared, const WinmmApi& api)
    : api_(api), shared_(shared), relay_(api, shared), inputBuffers_(kInputBuffers),
      outputBuffers_(kOutputBuffers),
      watch_(std::make_unique<DeviceWatch>([this] { checkDevices(); })) {}

WinmmBackend::~WinmmBackend() {
    watch_.reset();
    closeInput(inputHandle_);
    closeOutput(outputHandle_);
}

MidiHandle WinmmBackend::nextHandle() noexcept {
    ++lastHandle_;
    if (lastHandle_ == 0) {
        ++lastHandle_;
    }
    return lastHandle_;
}

WinmmBackend::Listing WinmmBackend::list() const {
    return {listInputs(api_), listOutputs(api_)};
}

int WinmmBackend::inputCount() {
    listed_.inputs = listInputs(api_);
    return static_cast<int>(listed_.inputs.size());
}

int WinmmBackend::outputCount() {
    listed_.outputs = listOutputs(api_);
    return static_cast<int>(listed_.outputs.size());
}

DeviceCaps WinmmBackend::inputCaps(int id) {
    return winmmInputCaps(api_, id);
}

DeviceCaps WinmmBackend::outputCaps(int id) {
    return winmmOutputCaps(api_, id);
}

void WinmmBackend::setDeviceChangeCallback(std::function<void()> callback) {
    deviceChange_ = std::move(callback);
}

// A device unplugged and plugged in again between two looks leaves the list
// as it was, but not the open handle: the handle tells.
bool WinmmBackend::checkDevices() {
    Listing now = list();
    UINT id = 0;
    const bool inputDied =
        inputHandle_ != 0 && !inputGone_ &&
        (!listed(now.inputs, inputName_) || api_.midiInGetID(input_, &id) != MMSYSERR_NOERROR);
    const bool outputDied =
        outputHandle_ != 0 && !outputGone_ &&
        (!listed(now.outputs, outputName_) || api_.midiOutGetID(output_, &id) != MMSYSERR_NOERROR);
    inputGone_ = inputGone_ || inputDied;
    outputGone_ = outputGone_ || outputDied;
    if (now == listed_ && !inputDied && !outputDied) {
        return false;
    }
    listed_ = std::move(now);
    if (deviceChange_) {
        deviceChange_();
    }
    return true;
}

OpenResult WinmmBackend::openInput(int id, MidiHandle& handle) {
    handle = 0;
    closeInput(inputHandle_);
    HMIDIIN input = nullptr;
    const OpenResult result = winmmOpenResult(
        id < 0 ? MMSYSERR_BADDEVICEID
               : api_.midiInOpen(&input, static_cast<UINT>(id),
                                 reinterpret_cast<DWORD_PTR>(&WinmmRelayThread::callback),
                                 reinterpret_cast<DWORD_PTR>(&relay_), CALLBACK_FUNCTION));
    if (result != OpenResult::Ok) {
        return result;
    }
    if (!inputBuffers_.prepareAndAdd(api_, input)) {
        api_.midiInClose(input);
        return OpenResult::Failed;
    }
    input_ = input;
    relay_.setInput(input);
    inputName_ = winmmInputCaps(api_, id).name;
    inputGone_ = false;
    inputHandle_ = handle = nextHandle();
    return OpenResult::Ok;
}

void WinmmBackend::startInput(MidiHandle handle) {
    if (handle == 0 || handle != inputHandle_) {
        return;
    }
    shared_.inputOpen.store(true, std::memory_order_release);
    api_.midiInStart(input_);
}

// The relay stops taking the input's messages and stops handing its buffers
// back before the device is stopped and reset (which returns every buffer);
// once the relay has seen them all they are unprepared and the device closed.
// Then its note-offs can never come: the notes it left sounding are released.
void WinmmBackend::closeInput(MidiHandle handle) {
    if (handle == 0 || handle != inputHandle_) {
        return;
    }
    shared_.inputOpen.store(false, std::memory_order_release);
    relay_.setInput(nullptr);
    relay_.sync();
    api_.midiInStop(input_);
    api_.midiInReset(input_);
    relay_.sync();
    inputBuffers_.unprepare(api_, input_);
    api_.midiInClose(input_);
    input_ = nullptr;
    inputHandle_ = 0;
    relay_.releaseInput();
}

OpenResult WinmmBackend::openOutput(int id, MidiHandle& handle) {
    handle = 0;
    closeOutput(outputHandle_);
    HMIDIOUT output = nullptr;
    const OpenResult result = winmmOpenResult(
        id < 0 ? MMSYSERR_BADDEVICEID
               : api_.midiOutOpen(&output, static_cast<UINT>(id), 0, 0, CALLBACK_NULL));
    if (result != OpenResult::Ok) {
        return result;
    }
    if (!outputBuffers_.prepare(api_, output)) {
        api_.midiOutClose(output);
        return OpenResult::Failed;
    }
    output_ = output;
    relay_.setOutput(output, &outputBuffers_);
    outputName_ = winmmOutputCaps(api_, id).name;
    outputGone_ = false;
    // Notes left sounding when this device went away are released before
    // anything else reaches it.
    if (!parkedName_.empty() && parkedName_ == outputName_) {
        relay_.releaseParked();
        parkedName_.clear();
    }
    shared_.outputOpen.store(true, std::memory_order_release);
    outputHandle_ = handle = nextHandle();
    return OpenResult::Ok;
}

void WinmmBackend::resetOutput(MidiHandle handle) {
    if (handle != 0 && handle == outputHandle_) {
        relay_.reset();
    }
}

// The relay lets go of the device first; the reset hands back SysEx buffers
// still queued, so they can be unprepared and the device closed.
void WinmmBackend::closeOutput(MidiHandle handle) {
    if (handle == 0 || handle != outputHandle_) {
        return;
    }
    shared_.outputOpen.store(false, std::memory_order_release);
    // Closed without a reset (the device went away): what still sounds on it
    // is released when a device of its name is opened again.
    if (relay_.park()) {
        parkedName_ = outputName_;
    }
    relay_.setOutput(nullptr, nullptr);
    relay_.sync();
    api_.midiOutReset(output_);
    outputBuffers_.unprepare(api_, output_);
    api_.midiOutClose(output_);
    output_ = nullptr;
    outputHandle_ = 0;
}

bool WinmmBackend::deviceConnected(MidiHandle handle) {
    UINT id = 0;
    if (handle != 0 && handle == inputHandle_) {
        return !inputGone_ && listed(listInputs(api_), inputName_) &&
               api_.midiInGetID(input_, &id) == MMSYSERR_NOERROR;
    }
    if (handle != 0 && handle == outputHandle_) {
        return !outputGone_ && listed(listOutputs(api_), outputName_) &&
               api_.midiOutGetID(output_, &id) == MMSYSERR_NOERROR;
    }
    return false;
}

bool WinmmBackend::sendShort(MidiHandle handle, std::uint32_t message) {
    if (handle == 0 || handle != outputHandle_ || !isSendableShortMessage(message)) {
        return false;
    }
    return relay_.queueShort(message);
}

void WinmmBackend::setActivityCallback(std::function<void()> callback) {
    relay_.setActivityCallback(std::move(callback));
}

} // namespace moxel
