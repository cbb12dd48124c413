// moxel_midi_demo: plays a short melody on MIDI channel 3 through Moxel, so
// that Moxel's channel rule shows: with "1Ch" chosen the notes come back on
// channel 1, and the closing timing clock comes back unchanged.
//
// A JACK client "moxel-demo" with an output port "notes_out" and an input port
// "notes_in". It waits until something is connected to both (Moxel has opened
// "moxel-demo:notes_out" as its input and "moxel-demo:notes_in" as its
// output), plays the notes and prints each message with what came back, e.g.
//   sent 92 3C 64 -> got 90 3C 64
//
// usage: moxel_midi_demo [--timeout SECONDS]   (default 20)
// Exit status: 0 after playing; 1 without a JACK server or when nobody
// connected within the timeout; 2 on a bad argument.

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <jack/jack.h>
#include <jack/midiport.h>

#include "relay/SpscRing.h"

namespace {

struct Message {
    std::array<std::uint8_t, 3> bytes{};
    std::uint8_t size = 0;
};

// What the process callback shares with the main thread: two lock-free rings.
struct Demo {
    jack_port_t* out = nullptr;
    jack_port_t* in = nullptr;
    moxel::SpscRing<Message, 64> toSend;
    moxel::SpscRing<Message, 256> received;
};

int process(jack_nframes_t frames, void* arg) {
    auto& demo = *static_cast<Demo*>(arg);
    void* out = jack_port_get_buffer(demo.out, frames);
    jack_midi_clear_buffer(out);
    Message m;
    while (demo.toSend.tryPop(m)) {
        jack_midi_event_write(out, 0, m.bytes.data(), m.size);
    }
    void* in = jack_port_get_buffer(demo.in, frames);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t e;
        if (jack_midi_event_get(&e, in, i) != 0 || e.size == 0) {
            continue;
        }
        Message r;
        r.size = static_cast<std::uint8_t>(e.size < 3 ? e.size : 3);
        for (std::uint8_t b = 0; b < r.size; ++b) {
            r.bytes[b] = e.buffer[b];
        }
        demo.received.tryPush(r);
    }
    return 0;
}

std::string hex(const Message& m) {
    std::string s;
    char buf[4];
    for (std::uint8_t i = 0; i < m.size; ++i) {
        std::snprintf(buf, sizeof buf, i == 0 ? "%02X" : " %02X", m.bytes[i]);
        s += buf;
    }
    return s;
}

bool parseTimeout(int argc, char** argv, int& seconds) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--timeout" && i + 1 < argc) {
            char* end = nullptr;
            const long v = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || v <= 0 || v > 3600) {
                return false;
            }
            seconds = static_cast<int>(v);
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int timeoutSeconds = 20;
    if (!parseTimeout(argc, argv, timeoutSeconds)) {
        std::fprintf(stderr, "usage: %s [--timeout SECONDS]\n", argv[0]);
        return 2;
    }

    jack_status_t status{};
    jack_client_t* client = jack_client_open("moxel-demo", JackNoStartServer, &status);
    if (client == nullptr) {
        std::fprintf(stderr, "moxel-demo: no JACK server is running\n");
        return 1;
    }
    Demo demo;
    demo.out = jack_port_register(client, "notes_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    demo.in = jack_port_register(client, "notes_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (demo.out == nullptr || demo.in == nullptr ||
        jack_set_process_callback(client, process, &demo) != 0 || jack_activate(client) != 0) {
        std::fprintf(stderr, "moxel-demo: cannot set up the JACK client\n");
        jack_client_close(client);
        return 1;
    }
    std::printf("moxel-demo: waiting up to %d s for %s and %s to be connected\n", timeoutSeconds,
                jack_port_name(demo.out), jack_port_name(demo.in));
    std::fflush(stdout);

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
    while (jack_port_connected(demo.out) == 0 || jack_port_connected(demo.in) == 0) {
        if (Clock::now() >= deadline) {
            std::fprintf(stderr,
                         "moxel-demo: nobody connected to both ports within %d s (choose "
                         "moxel-demo:notes_out as Moxel's input and moxel-demo:notes_in as its "
                         "output)\n",
                         timeoutSeconds);
            jack_client_close(client);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    // A short melody on channel 3: C D E F G, each note on, then off; then a
    // timing clock, which has no channel.
    std::vector<Message> messages;
    for (const std::uint8_t key : {0x3C, 0x3E, 0x40, 0x41, 0x43}) {
        messages.push_back(Message{{0x92, key, 0x64}, 3});
        messages.push_back(Message{{0x82, key, 0x40}, 3});
    }
    messages.push_back(Message{{0xF8, 0, 0}, 1});
    for (const Message& m : messages) {
        Message got;
        while (demo.received.tryPop(got)) {
        }
        demo.toSend.tryPush(m);
        const auto replyDeadline = Clock::now() + std::chrono::milliseconds(500);
        bool answered = false;
        while (!(answered = demo.received.tryPop(got)) && Clock::now() < replyDeadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::printf("sent %s -> %s%s\n", hex(m).c_str(), answered ? "got " : "got nothing",
                    answered ? hex(got).c_str() : "");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    jack_client_close(client);
    return 0;
}
