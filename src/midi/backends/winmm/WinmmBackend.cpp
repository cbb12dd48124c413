#include "midi/backends/winmm/WinmmBackend.h"

#include <algorithm>
#include <utility>

#include "midi/backends/winmm/DeviceWatch.h"
#include "midi/backends/winmm/WinmmDevices.h"

namespace moxel::midi {

namespace {

// SysEx arrives and leaves in 1 KiB buffers: four for the input (over a
// second of a full MIDI cable), sixteen for the output's backlog.
constexpr std::size_t kInputBuffers = 4;
constexpr std::size_t kOutputBuffers = 16;

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

WinmmBackend::WinmmBackend(RelayShared& shared, const WinmmApi& api)
    : RelayBackend(shared, Relay::Delivery::OnWrite), api_(api),
      thread_(api, relay(), newsCallbacks()), inputBuffers_(kInputBuffers),
      outputBuffers_(kOutputBuffers),
      watch_(std::make_unique<DeviceWatch>([this] { checkDevices(); })) {}

WinmmBackend::~WinmmBackend() {
    watch_.reset();
    closeInput(inputHandle());
    closeOutput(outputHandle());
}

std::vector<DeviceCaps> WinmmBackend::list(Direction side) {
    return side == Direction::Input ? listInputDevices(api_) : listOutputDevices(api_);
}

// A device unplugged and plugged in again between two looks leaves the list
// as it was, but not the open handle: the handle tells.
bool WinmmBackend::checkDevices() {
    const bool changed = relist();
    const bool inputDied = inputHandle() != 0 && !inputGone_ && !connected(Direction::Input);
    const bool outputDied = outputHandle() != 0 && !outputGone_ && !connected(Direction::Output);
    inputGone_ = inputGone_ || inputDied;
    outputGone_ = outputGone_ || outputDied;
    if (!changed && !inputDied && !outputDied) {
        return false;
    }
    tellNews(News::Devices);
    return true;
}

OpenResult WinmmBackend::connect(Direction side, int id, DeviceCaps& device) {
    return side == Direction::Input ? connectInput(id, device) : connectOutput(id, device);
}

void WinmmBackend::disconnect(Direction side) {
    if (side == Direction::Input) {
        disconnectInput();
    } else {
        disconnectOutput();
    }
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

bool WinmmBackend::connected(Direction side) {
    UINT id = 0;
    if (side == Direction::Input) {
        return !inputGone_ && isListed(listInputDevices(api_), inputName()) &&
               api_.midiInGetID(input_, &id) == MMSYSERR_NOERROR;
    }
    return !outputGone_ && isListed(listOutputDevices(api_), outputName()) &&
           api_.midiOutGetID(output_, &id) == MMSYSERR_NOERROR;
}

} // namespace moxel::midi
