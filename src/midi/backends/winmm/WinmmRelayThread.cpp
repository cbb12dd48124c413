#include "midi/backends/winmm/WinmmRelayThread.h"

#include <cstring>
#include <utility>

#include "relay/MidiMessage.h"
#include "relay/RealtimeScope.h"

namespace moxel::midi {

// The open output, for one pass of the thread: short messages go out as they
// are, SysEx (whole or a chunk, or the F7 that ends one) through the output's
// SysEx buffers. With no output open there is nobody to hear: nothing goes out.
class WinmmRelayThread::DeviceWriter final : public RelayWriter {
  public:
    DeviceWriter(const WinmmApi& api, HMIDIOUT output, SysexBuffers* buffers) noexcept
        : api_(api), output_(output), buffers_(buffers) {}

    bool write(const std::uint8_t* bytes, std::size_t size,
               std::uint32_t /*time*/) noexcept override {
        if (output_ == nullptr) {
            return true;
        }
        const std::uint8_t first = bytes[0];
        const bool sysex =
            first == midi::kSysexStart || first == midi::kSysexEnd || !midi::isStatus(first);
        if (!sysex && size <= 3) {
            midi::ShortMessage message{};
            std::memcpy(message.data(), bytes, size);
            return api_.midiOutShortMsg(output_, midi::pack(message)) == MMSYSERR_NOERROR;
        }
        MIDIHDR* out = buffers_ != nullptr ? buffers_->idleOutputBuffer() : nullptr;
        if (out == nullptr || size > SysexBuffers::kBufferSize) {
            return false;
        }
        std::memcpy(out->lpData, bytes, size);
        out->dwBufferLength = static_cast<DWORD>(size);
        out->dwBytesRecorded = static_cast<DWORD>(size);
        return api_.midiOutLongMsg(output_, out, sizeof(MIDIHDR)) == MMSYSERR_NOERROR;
    }

    // The service's reset ends a SysEx that is going out, which the reset
    // sequence's messages must not land in.
    bool resetDevice() noexcept override {
        if (output_ != nullptr) {
            api_.midiOutReset(output_);
        }
        return true;
    }

  private:
    const WinmmApi& api_;
    HMIDIOUT output_;
    SysexBuffers* buffers_;
};

WinmmRelayThread::WinmmRelayThread(const WinmmApi& api, Relay& relay,
                                   std::shared_ptr<NewsCallbacks> news)
    : api_(api), relay_(relay), news_(std::move(news)), thread_([this] { run(); }) {}

WinmmRelayThread::~WinmmRelayThread() {
    stopping_.store(true, std::memory_order_release);
    wake_.signal();
    thread_.join();
}

void CALLBACK WinmmRelayThread::callback(HMIDIIN /*input*/, UINT message, DWORD_PTR instance,
                                         DWORD_PTR param1, DWORD_PTR /*param2*/) noexcept {
    auto* self = reinterpret_cast<WinmmRelayThread*>(instance);
    WinmmInputEvent event;
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
        self->relay_.countLost();
    }
}

void WinmmRelayThread::setOutput(HMIDIOUT output, SysexBuffers* buffers) noexcept {
    outputBuffers_.store(buffers, std::memory_order_release);
    output_.store(output, std::memory_order_release);
}

void WinmmRelayThread::wake() noexcept {
    cycleAsked_.store(true, std::memory_order_release);
    wake_.signal();
}

bool WinmmRelayThread::hasWork() noexcept {
    return inputRing_.size() > 0 || relay_.hasWork() ||
           cycleAsked_.exchange(false, std::memory_order_acq_rel) ||
           stopping_.load(std::memory_order_acquire);
}

void WinmmRelayThread::run() noexcept {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    for (;;) {
        wake_.park([this] { return hasWork(); });
        if (stopping_.load(std::memory_order_acquire)) {
            return;
        }
        const RealtimeScope realtime;
        DeviceWriter out(api_, output_.load(std::memory_order_acquire),
                         outputBuffers_.load(std::memory_order_acquire));
        relay_.beginCycle(out);
        WinmmInputEvent input;
        while (inputRing_.tryPop(input)) {
            handleInput(input, out);
        }
        if (relay_.endCycle()) {
            news_->tell(News::Relay);
        }
    }
}

// A SysEx arrives in one or more buffers, each relayed as it comes; the
// buffer goes back to the driver afterwards, unless the input is being
// closed.
void WinmmRelayThread::handleInput(const WinmmInputEvent& event, RelayWriter& out) noexcept {
    if (event.header == nullptr) {
        midi::ShortMessage bytes{};
        const std::size_t size = midi::unpack(event.message, bytes);
        relay_.relayInput(bytes.data(), size, 0, out);
        return;
    }
    MIDIHDR& header = *event.header;
    relay_.relayInput(reinterpret_cast<const std::uint8_t*>(header.lpData), header.dwBytesRecorded,
                      0, out);
    const HMIDIIN input = input_.load(std::memory_order_acquire);
    if (input != nullptr) {
        header.dwBytesRecorded = 0;
        api_.midiInAddBuffer(input, &header, sizeof(MIDIHDR));
    }
}

} // namespace moxel::midi
