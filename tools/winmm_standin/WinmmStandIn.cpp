// A stand-in for the system's winmm.dll, for running the real moxel.exe
// under Wine, which has no MIDI devices here. It lists the devices of a
// script (devices.txt in the folder named by MOXEL_WINMM_STANDIN), answers
// MMSYSERR_ALLOCATED for a device marked allocated, records every device
// call and everything sent (record.txt in the same folder, each line with a
// microsecond time), and plays what a test sends to its driver window into
// the open input (StandInProtocol.h). An output marked loop plays what it is
// sent back into the open input. Load it with WINEDLLOVERRIDES=winmm=n,b
// from the program's folder.
#include <cstdio>
#include <optional>
#include <string>

#include "encoding/Utf16.h"
#include "winmm_standin/StandInDriver.h"
#include "winmm_standin/StandInState.h"

using moxel::standin::Device;
using moxel::standin::State;

namespace {

template <typename Caps> MMRESULT caps(const std::vector<Device>& devices, UINT_PTR id, Caps* out) {
    const std::lock_guard lock(State::instance().mutex);
    if (id >= devices.size()) {
        return MMSYSERR_BADDEVICEID;
    }
    *out = Caps{};
    const std::wstring name = moxel::wideFromUtf8(devices[id].name);
    lstrcpynW(out->szPname, name.c_str(), static_cast<int>(std::size(out->szPname)));
    return MMSYSERR_NOERROR;
}

// The device of that id, or nothing.
std::optional<Device> deviceAt(const std::vector<Device>& devices, UINT id) {
    const std::lock_guard lock(State::instance().mutex);
    if (id >= devices.size()) {
        return std::nullopt;
    }
    return devices[id];
}

MMRESULT openResult(const std::optional<Device>& device, UINT id, const char* direction) {
    if (!device) {
        return MMSYSERR_BADDEVICEID;
    }
    State::instance().record(std::string(device->allocated ? "in use " : "open ") + direction +
                             " " + std::to_string(id));
    return device->allocated ? MMSYSERR_ALLOCATED : MMSYSERR_NOERROR;
}

UINT countOf(const std::vector<Device>& devices) {
    const std::lock_guard lock(State::instance().mutex);
    return static_cast<UINT>(devices.size());
}

std::string hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(value));
    return text;
}

} // namespace

extern "C" {

UINT WINAPI standInMidiInGetNumDevs() {
    return countOf(State::instance().inputs);
}

MMRESULT WINAPI standInMidiInGetDevCapsW(UINT_PTR id, LPMIDIINCAPSW out, UINT) {
    return caps(State::instance().inputs, id, out);
}

MMRESULT WINAPI standInMidiInOpen(LPHMIDIIN handle, UINT id, DWORD_PTR callback, DWORD_PTR instance,
                                  DWORD) {
    State& state = State::instance();
    const std::optional<Device> device = deviceAt(state.inputs, id);
    const MMRESULT result = openResult(device, id, "in");
    if (result == MMSYSERR_NOERROR) {
        state.driver();
        *handle = reinterpret_cast<HMIDIIN>(static_cast<UINT_PTR>(0x1000 + id));
        const std::lock_guard lock(state.mutex);
        state.input = {callback, instance, *handle, false, device->name, false};
    }
    return result;
}

MMRESULT WINAPI standInMidiInStart(HMIDIIN) {
    State& state = State::instance();
    state.record("start in");
    const std::lock_guard lock(state.mutex);
    state.input.started = true;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiInStop(HMIDIIN) {
    State& state = State::instance();
    state.record("stop in");
    const std::lock_guard lock(state.mutex);
    state.input.started = false;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiInReset(HMIDIIN) {
    State& state = State::instance();
    state.record("reset in");
    SendMessageW(state.driver(), moxel::standin::kReturnBuffers, 0, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiInClose(HMIDIIN) {
    State& state = State::instance();
    state.record("close in");
    const std::lock_guard lock(state.mutex);
    state.input = {};
    state.buffers.clear();
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiInPrepareHeader(HMIDIIN, LPMIDIHDR header, UINT) {
    header->dwFlags |= MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiInUnprepareHeader(HMIDIIN, LPMIDIHDR header, UINT) {
    header->dwFlags &= ~MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiInAddBuffer(HMIDIIN, LPMIDIHDR header, UINT) {
    State& state = State::instance();
    header->dwFlags &= ~MHDR_DONE;
    const std::lock_guard lock(state.mutex);
    state.buffers.push_back(header);
    return MMSYSERR_NOERROR;
}

UINT WINAPI standInMidiOutGetNumDevs() {
    return countOf(State::instance().outputs);
}

MMRESULT WINAPI standInMidiOutGetDevCapsW(UINT_PTR id, LPMIDIOUTCAPSW out, UINT) {
    return caps(State::instance().outputs, id, out);
}

MMRESULT WINAPI standInMidiOutOpen(LPHMIDIOUT handle, UINT id, DWORD_PTR, DWORD_PTR, DWORD) {
    State& state = State::instance();
    const std::optional<Device> device = deviceAt(state.outputs, id);
    const MMRESULT result = openResult(device, id, "out");
    if (result == MMSYSERR_NOERROR) {
        *handle = reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(0x2000 + id));
        const std::lock_guard lock(state.mutex);
        state.outputOpen = true;
        state.openOutput = *device;
        state.openOutputGone = false;
    }
    return result;
}

MMRESULT WINAPI standInMidiOutShortMsg(HMIDIOUT, DWORD message) {
    State& state = State::instance();
    bool loop = false;
    {
        const std::lock_guard lock(state.mutex);
        if (state.openOutputGone) {
            return MMSYSERR_NODRIVER; // unplugged: nothing arrives
        }
        loop = state.outputOpen && state.openOutput.loop;
    }
    state.record("short " + hex(message));
    if (loop) {
        PostMessageW(state.driver(), moxel::standin::kLoopShort, message, 0);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiOutLongMsg(HMIDIOUT, LPMIDIHDR header, UINT) {
    std::string bytes = "long";
    for (DWORD i = 0; i < header->dwBufferLength; ++i) {
        bytes += " " + hex(static_cast<std::uint8_t>(header->lpData[i])).substr(4);
    }
    State::instance().record(bytes);
    header->dwFlags |= MHDR_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiOutPrepareHeader(HMIDIOUT, LPMIDIHDR header, UINT) {
    header->dwFlags |= MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiOutUnprepareHeader(HMIDIOUT, LPMIDIHDR header, UINT) {
    header->dwFlags &= ~MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiOutReset(HMIDIOUT) {
    State::instance().record("reset out");
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiOutClose(HMIDIOUT) {
    State& state = State::instance();
    state.record("close out");
    const std::lock_guard lock(state.mutex);
    state.outputOpen = false;
    state.openOutputGone = false;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiInGetID(HMIDIIN handle, LPUINT id) {
    State& state = State::instance();
    const std::lock_guard lock(state.mutex);
    if (state.input.callback == 0 || state.input.gone) {
        return MMSYSERR_NODRIVER;
    }
    *id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(handle) - 0x1000);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI standInMidiOutGetID(HMIDIOUT handle, LPUINT id) {
    State& state = State::instance();
    const std::lock_guard lock(state.mutex);
    if (!state.outputOpen || state.openOutputGone) {
        return MMSYSERR_NODRIVER;
    }
    *id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(handle) - 0x2000);
    return MMSYSERR_NOERROR;
}

} // extern "C"
