// The relay under test for bench/latency.sh. Two modes:
//   moxel   Moxel's JackBackend, with the source chosen as input device and
//           the destination as output device, channel 1 ("1Ch"), rewrite mode.
//   direct  A bare in-cycle passthrough client: the reference, as good as a
//           cable inside JACK can be.
// Runs until SIGINT/SIGTERM, then prints the events it had to drop.
//
// usage: moxel_latency_relay --mode moxel|direct --source PORT --destination PORT
//                            [--timeout SECONDS]

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include <jack/jack.h>
#include <jack/midiport.h>

#include "midi/backends/jack/JackBackend.h"
#include "relay/RelayShared.h"

namespace {

volatile sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

struct Args {
    std::string mode;
    std::string source;
    std::string destination;
    int timeoutSeconds = 10;
};

bool parse(int argc, char** argv, Args& args) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const std::string value = argv[i + 1];
        if (key == "--mode") {
            args.mode = value;
        } else if (key == "--source") {
            args.source = value;
        } else if (key == "--destination") {
            args.destination = value;
        } else if (key == "--timeout") {
            args.timeoutSeconds = std::stoi(value);
        } else {
            return false;
        }
    }
    return (args.mode == "moxel" || args.mode == "direct") && !args.source.empty() &&
           !args.destination.empty();
}

void waitForStop() {
    while (stopRequested == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// --- Moxel ------------------------------------------------------------------

int findDevice(moxel::midi::JackBackend& backend, bool input, const std::string& name) {
    return moxel::midi::positionOf(input ? backend.inputs() : backend.outputs(), name);
}

int runMoxel(const Args& args) {
    moxel::RelayShared shared;
    shared.outputChannel = 0;          // "1Ch"
    shared.followInputChannel = false; // rewrite mode
    moxel::midi::JackBackend backend(shared);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(args.timeoutSeconds);
    int in = -1;
    int out = -1;
    while ((in = findDevice(backend, true, args.source)) < 0 ||
           (out = findDevice(backend, false, args.destination)) < 0) {
        if (std::chrono::steady_clock::now() >= deadline || stopRequested != 0) {
            std::fprintf(stderr, "moxel: devices %s / %s not found\n", args.source.c_str(),
                         args.destination.c_str());
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The same order as the window: the input is opened and started, then
    // the output is opened.
    moxel::midi::MidiHandle hin = 0;
    moxel::midi::MidiHandle hout = 0;
    if (backend.openInput(in, hin) != moxel::midi::OpenResult::Ok) {
        std::fprintf(stderr, "moxel: cannot open the input device\n");
        return 1;
    }
    backend.startInput(hin);
    if (backend.openOutput(out, hout) != moxel::midi::OpenResult::Ok) {
        std::fprintf(stderr, "moxel: cannot open the output device\n");
        return 1;
    }
    std::printf("moxel relay ready as %s\n", backend.clientName().c_str());
    std::fflush(stdout);
    waitForStop();
    backend.closeInput(hin);
    backend.closeOutput(hout);
    std::printf("moxel relay dropped %llu events\n",
                static_cast<unsigned long long>(backend.lostEvents()));
    return 0;
}

// --- direct passthrough -------------------------------------------------------

struct Passthrough {
    jack_port_t* in = nullptr;
    jack_port_t* out = nullptr;
    unsigned long lost = 0; // written by the process thread only, read after close
};

int passthroughProcess(jack_nframes_t frames, void* arg) {
    auto& p = *static_cast<Passthrough*>(arg);
    void* in = jack_port_get_buffer(p.in, frames);
    void* out = jack_port_get_buffer(p.out, frames);
    jack_midi_clear_buffer(out);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t e;
        if (jack_midi_event_get(&e, in, i) == 0 &&
            jack_midi_event_write(out, e.time, e.buffer, e.size) != 0) {
            ++p.lost;
        }
    }
    return 0;
}

int runDirect(const Args& args) {
    jack_status_t status{};
    jack_client_t* client = jack_client_open("passthrough", JackNoStartServer, &status);
    if (client == nullptr) {
        std::fprintf(stderr, "direct: no JACK server\n");
        return 1;
    }
    Passthrough p;
    p.in = jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    p.out = jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (p.in == nullptr || p.out == nullptr ||
        jack_set_process_callback(client, passthroughProcess, &p) != 0 ||
        jack_activate(client) != 0) {
        std::fprintf(stderr, "direct: cannot set up the client\n");
        jack_client_close(client);
        return 1;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(args.timeoutSeconds);
    const auto link = [&](const char* from, const char* to) {
        const int rc = jack_connect(client, from, to);
        return rc == 0 || rc == EEXIST;
    };
    // Source first, as Moxel connects its input first.
    while (!link(args.source.c_str(), jack_port_name(p.in)) ||
           !link(jack_port_name(p.out), args.destination.c_str())) {
        if (std::chrono::steady_clock::now() >= deadline || stopRequested != 0) {
            std::fprintf(stderr, "direct: cannot connect %s / %s\n", args.source.c_str(),
                         args.destination.c_str());
            jack_client_close(client);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::printf("direct passthrough ready\n");
    std::fflush(stdout);
    waitForStop();
    jack_client_close(client);
    std::printf("direct passthrough dropped %lu events\n", p.lost);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Args args;
    if (!parse(argc, argv, args)) {
        std::fprintf(stderr,
                     "usage: %s --mode moxel|direct --source PORT --destination PORT "
                     "[--timeout SECONDS]\n",
                     argv[0]);
        return 2;
    }
    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    return args.mode == "moxel" ? runMoxel(args) : runDirect(args);
}
