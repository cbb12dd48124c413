#include "midi/backends/winmm/WinmmBackend.h"

#include <algorithm>
#include <utility>

#include "midi/backends/winmm/DeviceWatch.h"
#include "midi/backends/winmm/WinmmDevices.h"

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

std::vector<DeviceCaps> listInputDevices(const WinmmApi& api) {
    std::vector<DeviceCaps> devices(api.midiInGetNumDevs());
    for (std::size_t id = 0; id < devices.size(); ++id) {
        devices[id] = winmmInputCaps(api, static_cast<int>(id));
    }
    return devices;
}

std::vector<DeviceCaps> listOutputDevices(const WinmmApi& api) {
    std::vector<DeviceCaps> devices(api.midiOutGetNumDevs());
    for (std::size_t id = 0; id < devices.size(); ++id) {
        devices[id] = winmmOutputCaps(api, static_cast<int>(id));
    }
    return devices;
}

bool isListed(const std::vector<DeviceCaps>& devices, const std::string& name) {
    return std::any_of(devices.begin(), devices.end(), [&](const DeviceCaps& caps) {
        return caps.result == CapsResult::Ok && caps.name == name;
    });
}

} // namespace

bool WinmmBackend::Listing::operator==(const Listing& other) const {
    return sameList(inputs, other.inputs) && sameList(outputs, other.outputs);
}

WinmmBackend::WinmmBackend(RelayShared& shared, const WinmmApi& api)
    : RelayBackend(shared, Relay::Delivery::OnWrite), api_(api), thread_(api, relay()),
      inputBuffers_(kInputBuffers), outputBuffers_(kOutputBuffers),
      watch_(std::make_unique<DeviceWatch>([this] { checkDevices(); })) {}

WinmmBackend::~WinmmBackend() {
    watch_.reset();
    closeInput(inputHandle());
    closeOutput(outputHandle());
}

std::vector<DeviceCaps> WinmmBackend::listInputs() {
    listed_.inputs = listInputDevices(api_);
    return listed_.inputs;
}

std::vector<DeviceCaps> WinmmBackend::listOutputs() {
    listed_.outputs = listOutputDevices(api_);
    return listed_.outputs;
}

void WinmmBackend::setDeviceChangeCallback(std::function<void()> callback) {
    deviceChange_ = std::move(callback);
}

// A device unplugged and plugged in again between two looks leaves the list
// as it was, but not the open handle: the handle tells.
bool WinmmBackend::checkDevices() {
    Listing now{listInputDevices(api_), listOutputDevices(api_)};
    UINT id = 0;
    const bool inputDied =
        inputHandle() != 0 && !inputGone_ &&
        (!isListed(now.inputs, inputName()) || api_.midiInGetID(input_, &id) != MMSYSERR_NOERROR);
    const bool outputDied = outputHandle() != 0 && !outputGone_ &&
                            (!isListed(now.outputs, outputName()) ||
                             api_.midiOutGetID(output_, &id) != MMSYSERR_NOERROR);
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

// A device is opened by its number; its name is read again as it opens.
OpenResult WinmmBackend::connectInput(int id, DeviceCaps& device) {
    HMIDIIN input = nullptr;
    const OpenResult result = winmmOpenResult(
        id < 0 ? MMSYSERR_BADDEVICEID
               : api_.midiInOpen(&input, static_cast<UINT>(id),
                                 reinterpret_cast<DWORD_PTR>(&WinmmRelayThread::callback),
                                 reinterpret_cast<DWORD_PTR>(&thread_), CALLBACK_FUNCTION));
    if (result != OpenResult::Ok) {
        return result;
    }
    if (!inputBuffers_.prepareAndAdd(api_, input)) {
        api_.midiInClose(input);
        return OpenResult::Failed;
    }
    input_ = input;
    thread_.setInput(input);
    inputGone_ = false;
    device = winmmInputCaps(api_, id);
    return OpenResult::Ok;
}

void WinmmBackend::startInputDevice() {
    api_.midiInStart(input_);
}

// The relay stops handing the input's buffers back before the device is
// stopped and reset (which returns every buffer); once the relay has seen
// them all they are unprepared and the device closed.
void WinmmBackend::disconnectInput() {
    thread_.setInput(nullptr);
    passCycles();
    api_.midiInStop(input_);
    api_.midiInReset(input_);
    passCycles();
    inputBuffers_.unprepare(api_, input_);
    api_.midiInClose(input_);
    input_ = nullptr;
}

OpenResult WinmmBackend::connectOutput(int id, DeviceCaps& device) {
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
    thread_.setOutput(output, &outputBuffers_);
    outputGone_ = false;
    device = winmmOutputCaps(api_, id);
    return OpenResult::Ok;
}

// The relay lets go of the device first; the reset hands back SysEx buffers
// still queued, so they can be unprepared and the device closed.
void WinmmBackend::disconnectOutput() {
    thread_.setOutput(nullptr, nullptr);
    passCycles();
    api_.midiOutReset(output_);
    outputBuffers_.unprepare(api_, output_);
    api_.midiOutClose(output_);
    output_ = nullptr;
}

bool WinmmBackend::deviceConnected(MidiHandle handle) {
    UINT id = 0;
    if (handle != 0 && handle == inputHandle()) {
        return !inputGone_ && isListed(listInputDevices(api_), inputName()) &&
               api_.midiInGetID(input_, &id) == MMSYSERR_NOERROR;
    }
    if (handle != 0 && handle == outputHandle()) {
        return !outputGone_ && isListed(listOutputDevices(api_), outputName()) &&
               api_.midiOutGetID(output_, &id) == MMSYSERR_NOERROR;
    }
    return false;
}

void WinmmBackend::setActivityCallback(std::function<void()> callback) {
    thread_.setActivityCallback(std::move(callback));
}

} // namespace moxel
