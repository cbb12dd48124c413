#include "midi/backends/winmm/WinmmRelayThread.h"

#include <array>
#include <cstring>
#include <utility>

#include "midi/ShortMessage.h"

namespace moxel {

namespace {

// A UI request waits for the relay thread at most this long, so a driver
// that hangs can never hang the window.
constexpr DWORD kWaitLimitMs = 2000;

DWORD pack(const std::array<std::uint8_t, 3>& bytes) noexcept {
    return bytes[0] | (DWORD{bytes[1]} << 8) | (DWORD{bytes[2]} << 16);
}

} // namespace

WinmmRelayThread::WinmmRelayThread(const WinmmApi& api, RelayShared& shared)
    : api_(api), engine_(shared), doneEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      thread_([this] { run(); }) {}

WinmmRelayThread::~WinmmRelayThread() {
    stopping_.store(true, std::memory_order_release);
    wake_.signal();
    thread_.join();
    CloseHandle(doneEvent_);
}

void CALLBACK WinmmRelayThread::callback(HMIDIIN /*input*/, UINT message, DWORD_PTR instance,
                                         DWORD_PTR param1, DWORD_PTR /*param2*/) noexcept {
    auto* self = reinterpret_cast<WinmmRelayThread*>(instance);
    InputEvent event;
    if (message == MIM_DATA) {
        event.message = static_cast<std::uint32_t>(param1);
    } else if (message == MIM_LONGDATA || message == MIM_LONGERROR) {
        event.header = reinterpret_cast<MIDIHDR*>(param1);
    } else {
        return; // open, close, malformed short messages
    }
    if (self->inputRing_.tryPush(event)) {
        self->wake_.signal();
    } else {
        self->lostEvents_.fetch_add(1, std::memory_order_relaxed);
    }
}

void WinmmRelayThread::setOutput(HMIDIOUT output, SysexBuffers* buffers) noexcept {
    outputBuffers_.store(buffers, std::memory_order_release);
    output_.store(output, std::memory_order_release);
}

bool WinmmRelayThread::queueShort(std::uint32_t message) noexcept {
    if (!uiRing_.tryPush({Command::Short, message})) {
        return false;
    }
    wake_.signal();
    return true;
}

bool WinmmRelayThread::reset() {
    return request(Command::Reset);
}

bool WinmmRelayThread::releaseInput() {
    return request(Command::Release);
}

bool WinmmRelayThread::park() {
    return request(Command::Park) && parkedSome_.load(std::memory_order_acquire);
}

bool WinmmRelayThread::releaseParked() {
    return request(Command::ReleaseParked);
}

bool WinmmRelayThread::sync() {
    const std::uint64_t ticket = requested_.fetch_add(1, std::memory_order_acq_rel) + 1;
    wake_.signal();
    return waitFor(ticket);
}

// The command goes into the ring before its ticket is counted: a pass that
// sees the ticket also finds the command.
bool WinmmRelayThread::request(Command command) {
    if (!uiRing_.tryPush({command, 0})) {
        return false;
    }
    return sync();
}

bool WinmmRelayThread::waitFor(std::uint64_t ticket) {
    const ULONGLONG deadline = GetTickCount64() + kWaitLimitMs;
    while (done_.load(std::memory_order_acquire) < ticket) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return false;
        }
        WaitForSingleObject(doneEvent_, static_cast<DWORD>(deadline - now));
    }
    return true;
}

void WinmmRelayThread::setActivityCallback(std::function<void()> callback) {
    std::unique_ptr<std::function<void()>> next;
    if (callback) {
        next = std::make_unique<std::function<void()>>(std::move(callback));
    }
    activity_.store(next.get(), std::memory_order_release);
    // The old callback is destroyed here, on the UI thread, once the relay
    // thread can no longer be running it.
    sync();
    activityStorage_ = std::move(next);
}

bool WinmmRelayThread::hasWork() const noexcept {
    return uiRing_.size() > 0 || inputRing_.size() > 0 ||
           requested_.load(std::memory_order_acquire) != done_.load(std::memory_order_relaxed) ||
           stopping_.load(std::memory_order_acquire);
}

void WinmmRelayThread::run() noexcept {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    for (;;) {
        wake_.park([this] { return hasWork(); });
        if (stopping_.load(std::memory_order_acquire)) {
            return;
        }
        const std::uint64_t requested = requested_.load(std::memory_order_acquire);
        UiEvent ui;
        while (uiRing_.tryPop(ui)) {
            handleUi(ui);
        }
        InputEvent input;
        while (inputRing_.tryPop(input)) {
            handleInput(input);
        }
        if (done_.load(std::memory_order_relaxed) != requested) {
            done_.store(requested, std::memory_order_release);
            SetEvent(doneEvent_); // only when the UI asked for something
        }
        tellActivity();
    }
}

void WinmmRelayThread::handleUi(const UiEvent& event) noexcept {
    switch (event.command) {
    case Command::Short:
        relayShort(event.message, MessageSource::Ui);
        break;
    case Command::Reset:
        runReset();
        break;
    case Command::Release:
        runRelease();
        break;
    case Command::Park:
        runPark();
        break;
    case Command::ReleaseParked:
        runParkedRelease();
        break;
    }
}

void WinmmRelayThread::handleInput(const InputEvent& event) noexcept {
    if (event.header != nullptr) {
        relaySysex(*event.header);
    } else if (engine_.acceptInput()) {
        relayShort(event.message, MessageSource::Input);
    }
}

void WinmmRelayThread::relayShort(std::uint32_t message, MessageSource source) noexcept {
    std::array<std::uint8_t, 3> bytes{};
    const unsigned size = unpackShortMessage(message, bytes);
    const std::uint8_t originalStatus = bytes[0];
    if (!engine_.prepareOutput(bytes.data(), size, source)) {
        return;
    }
    const HMIDIOUT output = output_.load(std::memory_order_acquire);
    if (output != nullptr && api_.midiOutShortMsg(output, pack(bytes)) == MMSYSERR_NOERROR) {
        engine_.markSent(originalStatus, bytes.data(), size, source);
    }
}

// A SysEx arrives in one or more buffers; what is no part of one (a buffer
// that neither starts one nor continues one) is dropped. The buffer goes back
// to the driver afterwards, unless the input is being closed.
void WinmmRelayThread::relaySysex(MIDIHDR& header) noexcept {
    const DWORD size = header.dwBytesRecorded;
    if (size > 0 && engine_.acceptInput()) {
        const char* data = header.lpData;
        if (static_cast<std::uint8_t>(data[0]) == 0xF0) {
            insideSysex_ = true;
        }
        if (insideSysex_) {
            sendSysexChunk(data, size);
        }
        if (std::memchr(data, 0xF7, size) != nullptr) {
            insideSysex_ = false;
        }
    }
    const HMIDIIN input = input_.load(std::memory_order_acquire);
    if (input != nullptr) {
        header.dwBytesRecorded = 0;
        api_.midiInAddBuffer(input, &header, sizeof(MIDIHDR));
    }
}

void WinmmRelayThread::sendSysexChunk(const char* data, DWORD size) noexcept {
    std::uint8_t head = 0xF0; // the channel rule leaves SysEx alone; this asks for an output
    if (!engine_.prepareOutput(&head, 1, MessageSource::Input)) {
        return;
    }
    const HMIDIOUT output = output_.load(std::memory_order_acquire);
    SysexBuffers* buffers = outputBuffers_.load(std::memory_order_acquire);
    MIDIHDR* out = buffers != nullptr ? buffers->idleOutputBuffer() : nullptr;
    if (output == nullptr || out == nullptr || size > SysexBuffers::kBufferSize) {
        lostEvents_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    std::memcpy(out->lpData, data, size);
    out->dwBufferLength = size;
    out->dwBytesRecorded = size;
    if (api_.midiOutLongMsg(output, out, sizeof(MIDIHDR)) == MMSYSERR_NOERROR) {
        engine_.markSent(head, &head, 1, MessageSource::Input);
    }
}

// midiOutReset first: it ends a SysEx that is going out, which the release
// sequence's messages must not land in. No channel rule, no lamp.
void WinmmRelayThread::runReset() noexcept {
    const HMIDIOUT output = output_.load(std::memory_order_acquire);
    if (output == nullptr) {
        return;
    }
    api_.midiOutReset(output);
    reset_.start();
    std::array<std::uint8_t, 3> message{};
    while (reset_.peek(engine_.notes(), message)) {
        api_.midiOutShortMsg(output, pack(message));
        reset_.advance();
    }
    engine_.notes().clear();
}

void WinmmRelayThread::runRelease() noexcept {
    const HMIDIOUT output = output_.load(std::memory_order_acquire);
    std::array<std::uint8_t, 3> noteOff{};
    int inChannel = 0;
    while (engine_.notes().nextInputRelease(noteOff, inChannel)) {
        if (output != nullptr) {
            api_.midiOutShortMsg(output, pack(noteOff));
        }
        engine_.notes().recordSent(inChannel, noteOff.data(), noteOff.size());
    }
}

void WinmmRelayThread::runPark() noexcept {
    const bool some = !engine_.notes().empty();
    if (some) {
        parked_ = engine_.notes();
        engine_.notes().clear();
    }
    parkedSome_.store(some, std::memory_order_release);
}

void WinmmRelayThread::runParkedRelease() noexcept {
    const HMIDIOUT output = output_.load(std::memory_order_acquire);
    ResetSequence release;
    release.start(ResetSequence::Mode::Release);
    std::array<std::uint8_t, 3> message{};
    while (output != nullptr && release.peek(parked_, message)) {
        api_.midiOutShortMsg(output, pack(message));
        release.advance();
    }
    parked_.clear();
}

void WinmmRelayThread::tellActivity() noexcept {
    if (!engine_.takeNews()) {
        return;
    }
    if (const std::function<void()>* callback = activity_.load(std::memory_order_acquire)) {
        (*callback)();
    }
}

} // namespace moxel
