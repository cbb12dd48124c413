#include "peer/JackPeer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

#include <jack/midiport.h>

#include "midi/backends/jack/JackCycleOrder.h"
#include "relay/SpscRing.h"

namespace moxel::test {

namespace {

struct WireEvent {
    std::uint64_t frame = 0; // offset when scheduled, absolute frame when recorded
    std::uint16_t size = 0;
    std::array<std::uint8_t, JackPeer::kMaxEventBytes> bytes{};
};

MidiEvent toMidiEvent(const WireEvent& w) {
    const std::size_t n = std::min<std::size_t>(w.size, w.bytes.size());
    return {w.frame, std::vector<std::uint8_t>(w.bytes.begin(), w.bytes.begin() + n)};
}

} // namespace

// What the peer's process callback works with: fixed rings, no allocation.
struct JackPeer::Realtime {
    jack_client_t* client = nullptr;
    jack_port_t* out = nullptr;
    jack_port_t* in = nullptr;
    SpscRing<WireEvent, 4096> toSend; // more than a port takes in one cycle
    SpscRing<WireEvent, 4096> sent;
    SpscRing<WireEvent, 8192> received;
    std::atomic<std::uint64_t> finishedCycleStart{0}; // frame time of the last finished cycle + 1
    std::atomic<bool> serverGone{false};
    std::atomic<bool> echo{false};
};

JackPeer::JackPeer(const std::string& name, const std::string& sourceName,
                   const std::string& sinkName, bool physical)
    : rt_(std::make_unique<Realtime>()) {
    // With several private servers starting at once an open now and then
    // fails; try again for a moment.
    jack_client_t* client = nullptr;
    waitUntil(
        [&] {
            jack_status_t status{};
            client = jack_client_open(name.c_str(), JackNoStartServer, &status);
            return client != nullptr;
        },
        std::chrono::milliseconds(2000));
    if (client == nullptr) {
        return;
    }
    rt_->client = client;
    const unsigned long hardware = physical ? JackPortIsPhysical : 0;
    rt_->out = jack_port_register(client, sourceName.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                  JackPortIsOutput | hardware, 0);
    rt_->in = jack_port_register(client, sinkName.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                 JackPortIsInput | hardware, 0);
    jack_on_shutdown(
        client,
        [](void* arg) {
            static_cast<Realtime*>(arg)->serverGone.store(true, std::memory_order_release);
        },
        rt_.get());
    if (rt_->out == nullptr || rt_->in == nullptr ||
        jack_set_process_callback(client, &JackPeer::process, rt_.get()) != 0 ||
        jack_activate(client) != 0) {
        jack_client_close(client);
        return;
    }
    client_ = client;
    clientName_ = jack_get_client_name(client);
    sourcePort_ = jack_port_name(rt_->out);
    sinkPort_ = jack_port_name(rt_->in);
}

JackPeer::~JackPeer() {
    if (client_ != nullptr && !serverGone()) {
        jack_client_close(client_);
    }
}

bool JackPeer::serverGone() const noexcept {
    return rt_->serverGone.load(std::memory_order_acquire);
}

std::uint32_t JackPeer::periodFrames() const {
    return client_ != nullptr ? jack_get_buffer_size(client_) : 0;
}

int JackPeer::process(jack_nframes_t frames, void* arg) {
    auto& rt = *static_cast<Realtime*>(arg);
    midi::jackCallbackBegins();
    const std::uint64_t cycleStart = jack_last_frame_time(rt.client);

    void* out = jack_port_get_buffer(rt.out, frames);
    jack_midi_clear_buffer(out);
    WireEvent ev;
    std::uint64_t lastOffset = 0;
    while (rt.toSend.tryPop(ev)) {
        const std::uint64_t offset =
            std::max<std::uint64_t>(lastOffset, std::min<std::uint64_t>(ev.frame, frames - 1));
        lastOffset = offset;
        if (jack_midi_event_write(out, static_cast<jack_nframes_t>(offset), ev.bytes.data(),
                                  ev.size) == 0) {
            ev.frame = cycleStart + offset;
            rt.sent.tryPush(ev);
        }
    }

    void* in = jack_port_get_buffer(rt.in, frames);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t e;
        if (jack_midi_event_get(&e, in, i) != 0) {
            continue;
        }
        if (rt.echo.load(std::memory_order_relaxed)) {
            jack_midi_event_write(out, e.time, e.buffer, e.size);
        }
        WireEvent rec;
        rec.frame = cycleStart + e.time;
        rec.size = static_cast<std::uint16_t>(std::min<std::size_t>(e.size, 0xFFFF));
        std::memcpy(rec.bytes.data(), e.buffer, std::min<std::size_t>(e.size, kMaxEventBytes));
        rt.received.tryPush(rec);
    }
    rt.finishedCycleStart.store(cycleStart + 1, std::memory_order_release);
    midi::jackCallbackEnds();
    return 0;
}

bool JackPeer::sendBatch(const std::vector<ScheduledEvent>& events) {
    if (!ok()) {
        return false;
    }
    std::vector<WireEvent> wire;
    for (const ScheduledEvent& e : events) {
        if (e.bytes.empty() || e.bytes.size() > kMaxEventBytes) {
            return false;
        }
        WireEvent w;
        w.frame = e.offset;
        w.size = static_cast<std::uint16_t>(e.bytes.size());
        std::copy(e.bytes.begin(), e.bytes.end(), w.bytes.begin());
        wire.push_back(w);
    }
    return rt_->toSend.tryPushAll(wire.data(), wire.size());
}

bool JackPeer::send(std::vector<std::uint8_t> bytes, std::uint32_t offset) {
    return sendBatch(std::vector<ScheduledEvent>{{std::move(bytes), offset}});
}

void JackPeer::drain() {
    WireEvent w;
    while (rt_->sent.tryPop(w)) {
        sent_.push_back(toMidiEvent(w));
    }
    while (rt_->received.tryPop(w)) {
        received_.push_back(toMidiEvent(w));
    }
}

std::vector<MidiEvent> JackPeer::sent() {
    drain();
    return sent_;
}

std::vector<MidiEvent> JackPeer::received() {
    drain();
    return received_;
}

std::vector<std::vector<std::uint8_t>> JackPeer::receivedBytes() {
    std::vector<std::vector<std::uint8_t>> bytes;
    for (MidiEvent& e : received()) {
        bytes.push_back(std::move(e.bytes));
    }
    return bytes;
}

void JackPeer::clearReceived() {
    drain();
    received_.clear();
}

bool JackPeer::waitForSent(std::size_t count, std::chrono::milliseconds timeout) {
    return waitUntil(
        [&] {
            drain();
            return sent_.size() >= count;
        },
        timeout);
}

bool JackPeer::waitForReceived(std::size_t count, std::chrono::milliseconds timeout) {
    return waitUntil(
        [&] {
            drain();
            return received_.size() >= count;
        },
        timeout);
}

bool JackPeer::waitForCycleAfter(std::uint64_t frame, std::chrono::milliseconds timeout) {
    return waitUntil(
        [&] { return rt_->finishedCycleStart.load(std::memory_order_acquire) > frame + 1; },
        timeout);
}

void JackPeer::echoInput(bool on) {
    rt_->echo.store(on, std::memory_order_relaxed);
}

bool JackPeer::connectedBothWays() const {
    return ok() && jack_port_connected(rt_->out) > 0 && jack_port_connected(rt_->in) > 0;
}

bool JackPeer::connect(const std::string& from, const std::string& to) {
    if (!ok()) {
        return false;
    }
    const int rc = jack_connect(client_, from.c_str(), to.c_str());
    return rc == 0 || rc == EEXIST;
}

} // namespace moxel::test
