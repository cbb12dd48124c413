// What relaying costs in CPU: the whole process and each of its threads, for
// Moxel (the real program, both devices open) and for a bare in-cycle
// passthrough client, in the same run on a private JACK server (dummy
// driver, 48 kHz, period 64). A source client plays a steady stream of
// note-ons and note-offs, spread evenly over each cycle, at each rate in
// turn; a sink client counts what arrives, so a relay that drops messages is
// reported as such.
//
// usage: moxel_load_bench --moxel PATH --passthrough PATH [--seconds N] [RATE...]
//   PATH of the built moxel and of bench/moxel_latency_relay (its direct mode
//   is the passthrough). Rates in messages per second (default 100 1000 10000
//   50000); N seconds measured per rate (default 5). Moxel is shown on the
//   display in DISPLAY when there is one, else offscreen.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <jack/jack.h>
#include <jack/midiport.h>

#include "midi/backends/jack/JackBackend.h"
#include "peer/JackServer.h"
#include "peer/MoxelProcess.h"
#include "peer/ProcessThreads.h"
#include "peer/WaitUntil.h"

namespace {

using namespace std::chrono_literals;
using moxel::test::ProcessThreads;

// The source ("keys:out") and the sink ("synth:in"), each a client of its
// own so the relay between them makes no loop in the graph.
class Load {
  public:
    Load() : keys_(open("keys")), synth_(open("synth")) {
        out_ = jack_port_register(keys_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        in_ = jack_port_register(synth_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(keys_, &Load::play, this);
        jack_set_process_callback(synth_, &Load::count, this);
        jack_activate(keys_);
        jack_activate(synth_);
    }
    ~Load() {
        jack_client_close(keys_);
        jack_client_close(synth_);
    }
    Load(const Load&) = delete;
    Load& operator=(const Load&) = delete;

    void setRate(unsigned perSecond) { rate_.store(perSecond); }
    unsigned long long sent() const { return sent_.load(); }
    unsigned long long received() const { return received_.load(); }
    bool linked() const { return jack_port_connected(out_) > 0 && jack_port_connected(in_) > 0; }

  private:
    static jack_client_t* open(const char* name) {
        jack_client_t* client = jack_client_open(name, JackNoStartServer, nullptr);
        if (client == nullptr) {
            std::fprintf(stderr, "load: cannot open the JACK client %s\n", name);
            std::exit(1);
        }
        return client;
    }

    // Note-on, note-off, next note, ... evenly spaced in the cycle.
    static int play(jack_nframes_t frames, void* arg) {
        auto& self = *static_cast<Load*>(arg);
        void* buffer = jack_port_get_buffer(self.out_, frames);
        jack_midi_clear_buffer(buffer);
        self.due_ += static_cast<double>(self.rate_.load(std::memory_order_relaxed)) * frames /
                     jack_get_sample_rate(self.keys_);
        const auto events = static_cast<jack_nframes_t>(self.due_);
        self.due_ -= events;
        for (jack_nframes_t i = 0; i < events; ++i) {
            const bool on = (self.step_ & 1U) == 0;
            const auto note = static_cast<unsigned char>(36 + (self.step_ / 2) % 48);
            const unsigned char message[3] = {static_cast<unsigned char>(on ? 0x90 : 0x80), note,
                                              static_cast<unsigned char>(on ? 100 : 0)};
            if (jack_midi_event_write(buffer, i * frames / events, message, 3) == 0) {
                ++self.step_;
                self.sent_.fetch_add(1, std::memory_order_relaxed);
            }
        }
        return 0;
    }

    static int count(jack_nframes_t frames, void* arg) {
        auto& self = *static_cast<Load*>(arg);
        self.received_.fetch_add(jack_midi_get_event_count(jack_port_get_buffer(self.in_, frames)),
                                 std::memory_order_relaxed);
        return 0;
    }

    jack_client_t* keys_;
    jack_client_t* synth_;
    jack_port_t* out_ = nullptr;
    jack_port_t* in_ = nullptr;
    std::atomic<unsigned> rate_{0};
    std::atomic<unsigned long long> sent_{0};
    std::atomic<unsigned long long> received_{0};
    double due_ = 0;    // process thread only
    unsigned step_ = 0; // process thread only
};

struct Figures {
    double percent = 0; // of one core, the whole process
    ProcessThreads threads;
    unsigned long long lost = 0;
};

Figures measure(pid_t pid, Load& load, unsigned rate, int seconds) {
    load.setRate(rate);
    std::this_thread::sleep_for(1s); // settle at the new rate
    const ProcessThreads before = moxel::test::readProcessThreads(pid);
    const auto sent = load.sent();
    const auto received = load.received();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    load.setRate(0);
    Figures figures;
    figures.threads = difference(before, moxel::test::readProcessThreads(pid));
    // What was sent in the window and has not arrived a moment after it.
    const auto inWindow = load.sent() - sent;
    moxel::test::waitUntil([&] { return load.received() - received >= inWindow; }, 1s);
    figures.lost = inWindow - std::min(inWindow, load.received() - received);
    for (const auto& [thread, use] : figures.threads) {
        figures.percent += use.cpuSeconds * 100.0 / seconds;
    }
    return figures;
}

void print(const char* who, const Figures& figures, int seconds) {
    std::printf("  %-12s %6.2f %%  lost %llu\n", who, figures.percent, figures.lost);
    for (const auto& [thread, use] : figures.threads) {
        const double percent = use.cpuSeconds * 100.0 / seconds;
        if (percent >= 0.05) {
            std::printf("      %-26s %6.2f %%  %8.1f wake-ups/s\n", thread.c_str(), percent,
                        static_cast<double>(use.switches) / seconds);
        }
    }
}

pid_t startPassthrough(const std::string& program) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program.c_str(), program.c_str(), "--mode", "direct", "--source", "keys:out",
                "--destination", "synth:in", "--timeout", "10", nullptr);
        ::_exit(127);
    }
    return pid;
}

struct Args {
    std::string moxel, passthrough;
    int seconds = 5;
    std::vector<unsigned> rates;
};

std::optional<Args> parse(int argc, char** argv) {
    Args args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--moxel" && i + 1 < argc) {
            args.moxel = argv[++i];
        } else if (arg == "--passthrough" && i + 1 < argc) {
            args.passthrough = argv[++i];
        } else if (arg == "--seconds" && i + 1 < argc) {
            args.seconds = std::atoi(argv[++i]);
        } else {
            args.rates.push_back(static_cast<unsigned>(std::strtoul(arg.c_str(), nullptr, 10)));
        }
    }
    if (args.rates.empty()) {
        args.rates = {100, 1000, 10000, 50000};
    }
    if (args.moxel.empty() || args.passthrough.empty() || args.seconds <= 0) {
        return std::nullopt;
    }
    return args;
}

// Each rate through the passthrough; nothing when it did not link the load.
std::optional<std::vector<Figures>> runPassthrough(const Args& args, Load& load) {
    const pid_t direct = startPassthrough(args.passthrough);
    std::optional<std::vector<Figures>> figures;
    if (moxel::test::waitUntil([&] { return load.linked(); }, 10s)) {
        figures.emplace();
        for (const unsigned rate : args.rates) {
            figures->push_back(measure(direct, load, rate, args.seconds));
        }
    }
    ::kill(direct, SIGTERM);
    ::waitpid(direct, nullptr, 0);
    moxel::test::waitUntil([&] { return !load.linked(); }, 10s);
    return figures;
}

// Each rate through Moxel; nothing when it did not open the load's ports.
std::optional<std::vector<Figures>> runMoxel(const Args& args, Load& load,
                                             const std::string& server) {
    moxel::test::MoxelProcess program(args.moxel);
    if (std::getenv("DISPLAY") != nullptr) {
        program.setPlatform("xcb");
    }
    program.writeSettings("[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\n");
    const pid_t pid = program.start(server);
    if (!moxel::test::waitUntil([&] { return load.linked(); }, 10s)) {
        return std::nullopt;
    }
    std::this_thread::sleep_for(1s); // past the start
    std::vector<Figures> figures;
    for (const unsigned rate : args.rates) {
        figures.push_back(measure(pid, load, rate, args.seconds));
    }
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Args> args = parse(argc, argv);
    if (!args) {
        std::fprintf(stderr, "usage: %s --moxel PATH --passthrough PATH [--seconds N] [RATE...]\n",
                     argv[0]);
        return 2;
    }
    moxel::JackBackend::quietLibraryMessages();
    moxel::test::JackServer server;
    if (!server.running()) {
        std::fprintf(stderr, "no JACK server: %s\n", server.error().c_str());
        return 1;
    }
    Load load;
    const auto passthrough = runPassthrough(*args, load);
    const auto moxel = passthrough ? runMoxel(*args, load, server.name()) : std::nullopt;
    if (!moxel) {
        std::fprintf(stderr, "%s did not link keys:out and synth:in\n",
                     passthrough ? "Moxel" : "the passthrough");
        return 1;
    }
    std::printf("CPU in %% of one core over %d s per rate (dummy driver, 48000 Hz, period %u):\n",
                args->seconds, server.period());
    for (std::size_t i = 0; i < args->rates.size(); ++i) {
        std::printf("%u messages/s\n", args->rates[i]);
        print("passthrough", (*passthrough)[i], args->seconds);
        print("moxel", (*moxel)[i], args->seconds);
        std::printf("  moxel - passthrough: %+.2f points\n",
                    (*moxel)[i].percent - (*passthrough)[i].percent);
    }
    return 0;
}
