#include "FakeWinmm.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "relay/MidiMessage.h"

namespace moxel::test {

FakeWinmm* FakeWinmm::current = nullptr;

namespace {

FakeWinmm& fake() {
    return *FakeWinmm::current;
}

std::string hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(value));
    return text;
}

const FakeWinmm::Device* device(const std::vector<FakeWinmm::Device>& list, UINT_PTR id) {
    return id < list.size() ? &list[id] : nullptr;
}

template <typename Caps>
MMRESULT caps(const std::vector<FakeWinmm::Device>& list, UINT_PTR id, Caps* out) {
    const FakeWinmm::Device* d = device(list, id);
    if (d == nullptr) {
        return MMSYSERR_BADDEVICEID;
    }
    *out = Caps{};
    const std::size_t n = std::min(d->name.size(), std::size(out->szPname));
    std::copy_n(d->name.begin(), n, out->szPname); // a full field has no NUL
    return d->caps;
}

MMRESULT WINAPI inCount() {
    return static_cast<UINT>(fake().inputs.size());
}
MMRESULT WINAPI inCaps(UINT_PTR id, LPMIDIINCAPSW out, UINT) {
    return caps(fake().inputs, id, out);
}
MMRESULT WINAPI inOpen(LPHMIDIIN handle, UINT id, DWORD_PTR callback, DWORD_PTR instance,
                       DWORD flags) {
    fake().log("midiInOpen " + std::to_string(id) + (flags == CALLBACK_FUNCTION ? "" : " ?"));
    const FakeWinmm::Device* d = device(fake().inputs, id);
    const MMRESULT result = d == nullptr ? MMSYSERR_BADDEVICEID : d->open;
    if (result == MMSYSERR_NOERROR) {
        *handle = reinterpret_cast<HMIDIIN>(static_cast<UINT_PTR>(0x100 + id));
        fake().inputName = d->name;
        fake().callbackAddress = callback;
        fake().instance = instance;
    }
    return result;
}
MMRESULT WINAPI inStart(HMIDIIN) {
    fake().log("midiInStart");
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI inStop(HMIDIIN) {
    fake().log("midiInStop");
    return MMSYSERR_NOERROR;
}
// Hands back every buffer, marked done and empty, as the service does.
MMRESULT WINAPI inReset(HMIDIIN) {
    fake().log("midiInReset");
    while (MIDIHDR* header = fake().takeHeld()) {
        header->dwBytesRecorded = 0;
        header->dwFlags |= MHDR_DONE;
        fake().callback(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header));
    }
    return MMSYSERR_NOERROR;
}
// Preparing and unpreparing a header, for an input (HMIDIIN) or an output.
template <typename Handle> MMRESULT WINAPI prepare(Handle, LPMIDIHDR header, UINT) {
    header->dwFlags |= MHDR_PREPARED;
    ++fake().preparedHeaders;
    return MMSYSERR_NOERROR;
}
template <typename Handle> MMRESULT WINAPI unprepare(Handle, LPMIDIHDR header, UINT) {
    header->dwFlags &= ~MHDR_PREPARED;
    --fake().preparedHeaders;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI inClose(HMIDIIN) {
    fake().log("midiInClose");
    fake().callbackAddress = 0;
    fake().inputName.clear();
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI inAddBuffer(HMIDIIN, LPMIDIHDR header, UINT) {
    fake().log("midiInAddBuffer");
    header->dwFlags &= ~MHDR_DONE;
    fake().hold(header);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI outCount() {
    return static_cast<UINT>(fake().outputs.size());
}
MMRESULT WINAPI outCaps(UINT_PTR id, LPMIDIOUTCAPSW out, UINT) {
    return caps(fake().outputs, id, out);
}
MMRESULT WINAPI outOpen(LPHMIDIOUT handle, UINT id, DWORD_PTR, DWORD_PTR, DWORD) {
    fake().log("midiOutOpen " + std::to_string(id));
    const FakeWinmm::Device* d = device(fake().outputs, id);
    const MMRESULT result = d == nullptr ? MMSYSERR_BADDEVICEID : d->open;
    if (result == MMSYSERR_NOERROR) {
        *handle = reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(0x200 + id));
        fake().outputName = d->name;
    }
    return result;
}
MMRESULT WINAPI outShort(HMIDIOUT, DWORD message) {
    fake().noteSender();
    fake().log("midiOutShortMsg " + hex(message));
    if (fake().shortResult == MMSYSERR_NOERROR) {
        std::array<std::uint8_t, 3> bytes{};
        const std::size_t size = midi::unpack(message, bytes);
        fake().sent({bytes.begin(), bytes.begin() + static_cast<long>(size)});
    }
    return fake().shortResult;
}
MMRESULT WINAPI outLong(HMIDIOUT, LPMIDIHDR header, UINT) {
    fake().log("midiOutLongMsg");
    const auto* data = reinterpret_cast<const std::uint8_t*>(header->lpData);
    fake().sent({data, data + header->dwBufferLength});
    header->dwFlags |= MHDR_DONE; // gone out at once
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI outReset(HMIDIOUT) {
    fake().log("midiOutReset");
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI outClose(HMIDIOUT) {
    fake().log("midiOutClose");
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI inGetId(HMIDIIN, LPUINT) {
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI outGetId(HMIDIOUT, LPUINT) {
    return fake().outputDead ? MMSYSERR_NODRIVER : MMSYSERR_NOERROR;
}

const midi::WinmmApi kApi{inCount,
                          inCaps,
                          inOpen,
                          inStart,
                          inStop,
                          inReset,
                          inClose,
                          prepare<HMIDIIN>,
                          unprepare<HMIDIIN>,
                          inAddBuffer,
                          outCount,
                          outCaps,
                          outOpen,
                          outShort,
                          outLong,
                          prepare<HMIDIOUT>,
                          unprepare<HMIDIOUT>,
                          outReset,
                          outClose,
                          inGetId,
                          outGetId};

} // namespace

FakeWinmm::FakeWinmm() {
    current = this;
}

FakeWinmm::~FakeWinmm() {
    current = nullptr;
}

const midi::WinmmApi& FakeWinmm::api() const {
    return kApi;
}

void FakeWinmm::callback(UINT message, DWORD_PTR param) {
    if (callbackAddress != 0) {
        reinterpret_cast<DRVCALLBACK*>(callbackAddress)(nullptr, message, instance, param, 0);
    }
}

void FakeWinmm::receive(std::uint32_t message) {
    callback(MIM_DATA, message);
}

bool FakeWinmm::receiveSysex(const std::vector<std::uint8_t>& bytes) {
    MIDIHDR* header = takeHeld();
    if (header == nullptr) {
        return false;
    }
    std::memcpy(header->lpData, bytes.data(), bytes.size());
    header->dwBytesRecorded = static_cast<DWORD>(bytes.size());
    header->dwFlags |= MHDR_DONE;
    callback(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(header));
    return true;
}

std::size_t FakeWinmm::count(const std::string& prefix) const {
    const std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::ranges::count_if(
        calls_, [&](const std::string& line) { return line.starts_with(prefix); }));
}

MIDIHDR* FakeWinmm::takeHeld() {
    const std::lock_guard lock(mutex_);
    if (held_.empty()) {
        return nullptr;
    }
    MIDIHDR* header = held_.front();
    held_.pop_front();
    return header;
}

} // namespace moxel::test
