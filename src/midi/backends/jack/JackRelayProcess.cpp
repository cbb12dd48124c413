#include "midi/backends/jack/JackRelayProcess.h"

#include <chrono>
#include <cstring>
#include <thread>

#include <jack/midiport.h>

#include "midi/NewsThread.h"
#include "midi/backends/jack/JackCycleOrder.h"
#include "relay/RealtimeScope.h"
#include "relay/Relay.h"

// Everything in this file but detach() runs on JACK's process thread: no
// allocation, no lock, no logging, no system call but libjack's own wait and
// signal of the cycle and, once the cycle is signalled, the news thread's
// wake in NewsThread::signal.

namespace moxel::midi {

namespace {

// The output port's buffer for one cycle.
class PortWriter final : public RelayWriter {
  public:
    explicit PortWriter(void* buffer) noexcept : buffer_(buffer) {}
    bool write(const std::uint8_t* bytes, std::size_t size, std::uint32_t time) noexcept override {
        jack_midi_data_t* slot = jack_midi_event_reserve(buffer_, time, size);
        if (slot == nullptr) {
            return false;
        }
        std::memcpy(slot, bytes, size);
        return true;
    }

  private:
    void* buffer_;
};

} // namespace

void* JackRelayProcess::processThread(void* arg) {
    auto& self = *static_cast<JackRelayProcess*>(arg);
    for (;;) {
        const jack_nframes_t frames = jack_cycle_wait(self.client_);
        const bool news = self.process(frames);
        jack_cycle_signal(self.client_, 0);
        if (news) {
            self.news_.signal(News::Relay);
        }
    }
}

void JackRelayProcess::detach() noexcept {
    detached_.store(true, std::memory_order_seq_cst);
    // A callback that began before it saw the flag ends within its cycle.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (inside_.load(std::memory_order_seq_cst) && std::chrono::steady_clock::now() < limit) {
        std::this_thread::yield();
    }
}

bool JackRelayProcess::process(jack_nframes_t frames) noexcept {
    // seq_cst on both sides: either detach() sees this callback inside, or
    // the callback sees the flag.
    inside_.store(true, std::memory_order_seq_cst);
    if (detached_.load(std::memory_order_seq_cst)) {
        jack_midi_clear_buffer(jack_port_get_buffer(output_, frames)); // nothing leaves
        inside_.store(false, std::memory_order_release);
        return false;
    }
    const RealtimeScope realtime;
    jackCallbackBegins();
    void* out = jack_port_get_buffer(output_, frames);
    void* in = jack_port_get_buffer(input_, frames);
    jack_midi_clear_buffer(out);
    PortWriter writer(out);
    relay_.beginCycle(writer);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) == 0) {
            relay_.relayInput(event.buffer, event.size, event.time, writer);
        }
    }
    const bool news = relay_.endCycle();
    jackCallbackEnds();
    inside_.store(false, std::memory_order_release);
    return news;
}

} // namespace moxel::midi
