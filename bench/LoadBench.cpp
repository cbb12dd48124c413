// What relaying costs in CPU: the whole process and each of its threads, for
// Moxel (the real program, both devices open), for a bare in-cycle
// passthrough client and, when jalv is given, for x42's channel-map plugin
// in jalv (a plugin host's relay with a channel rule), in the same run on a
// private JACK server (dummy driver, 48 kHz, period 64). A source client
// plays a steady stream of note-ons and note-offs on channel 1, spread evenly
// over each cycle, at each rate in turn; Moxel and the plugin send them on
// channel 6; a sink client counts what arrives, so a relay that drops
// messages is reported as such. The relays take turns, round after round,
// each round in another order, and the figures are the medians of the
// rounds: the machine's own noise falls on all of them alike.
//
// usage: moxel_load_bench --moxel PATH --passthrough PATH [--jalv PATH]
//                         [--seconds N] [--rounds N] [RATE...]
//   PATH of the built moxel, of bench/moxel_latency_relay (its direct mode
//   is the passthrough) and of jalv. Rates in messages per second (default
//   100 1000 10000 50000); N seconds measured per rate (default 5); N rounds
//   (default 3). Moxel is shown on the display in DISPLAY when there is one,
//   else offscreen.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
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

constexpr int kOutputChannel = 6; // what Moxel and the plugin send on
const char* const kChannelMap = "http://gareus.org/oss/lv2/midifilter#channelmap";

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

    // Links the load through the MIDI ports of a client that does not link
    // itself, once it has both and is active; false when it did not get there
    // in time.
    bool linkThrough(const std::string& client) {
        const std::string pattern = "^" + client + ":";
        const auto connect = [this](const std::string& from, const std::string& to) {
            const int result = jack_connect(keys_, from.c_str(), to.c_str());
            return result == 0 || result == EEXIST;
        };
        return moxel::test::waitUntil(
            [&] {
                const std::string input = firstPort(pattern, JackPortIsInput);
                const std::string output = firstPort(pattern, JackPortIsOutput);
                return !input.empty() && !output.empty() && connect(jack_port_name(out_), input) &&
                       connect(output, jack_port_name(in_));
            },
            10s);
    }

  private:
    static jack_client_t* open(const char* name) {
        jack_client_t* client = jack_client_open(name, JackNoStartServer, nullptr);
        if (client == nullptr) {
            std::fprintf(stderr, "load: cannot open the JACK client %s\n", name);
            std::exit(1);
        }
        return client;
    }

    std::string firstPort(const std::string& pattern, unsigned long flags) const {
        const char** ports = jack_get_ports(keys_, pattern.c_str(), JACK_DEFAULT_MIDI_TYPE, flags);
        std::string name = ports != nullptr && ports[0] != nullptr ? ports[0] : "";
        jack_free(ports);
        return name;
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

// One rate's figures: the whole process and each thread by name (threads of
// one name added up), in % of one core.
struct Figures {
    double percent = 0;
    std::map<std::string, double> threads;
    std::map<std::string, double> wakeUps; // per second
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
    const ProcessThreads used = difference(before, moxel::test::readProcessThreads(pid));
    Figures figures;
    for (const auto& [thread, use] : used) {
        const std::string name = thread.substr(0, thread.rfind(' ')); // without its id
        figures.threads[name] += use.cpuSeconds * 100.0 / seconds;
        figures.wakeUps[name] += static_cast<double>(use.switches) / seconds;
        figures.percent += use.cpuSeconds * 100.0 / seconds;
    }
    // What was sent in the window and has not arrived a moment after it.
    const auto inWindow = load.sent() - sent;
    moxel::test::waitUntil([&] { return load.received() - received >= inWindow; }, 1s);
    figures.lost = inWindow - std::min(inWindow, load.received() - received);
    return figures;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The median of each figure over the rounds; lost messages are added up.
Figures medianOf(const std::vector<Figures>& rounds) {
    Figures result;
    std::vector<double> percents;
    std::map<std::string, std::vector<double>> threads, wakeUps;
    for (const Figures& round : rounds) {
        percents.push_back(round.percent);
        result.lost += round.lost;
        for (const auto& [name, percent] : round.threads) {
            threads[name].push_back(percent);
            wakeUps[name].push_back(round.wakeUps.at(name));
        }
    }
    result.percent = median(percents);
    for (auto& [name, values] : threads) {
        values.resize(rounds.size()); // a round without the thread counts 0
        result.threads[name] = median(values);
        wakeUps[name].resize(rounds.size());
        result.wakeUps[name] = median(wakeUps[name]);
    }
    return result;
}

// A child process with its standard input kept open (jalv ends when it
// closes) and its output discarded; stopped with SIGTERM when it goes.
class Child {
  public:
    explicit Child(const std::vector<std::string>& command) {
        int input[2];
        if (::pipe2(input, O_CLOEXEC) != 0) {
            return;
        }
        // Made before the fork: the child of a process with threads (the
        // load's JACK clients) must not allocate.
        std::vector<char*> argv;
        argv.reserve(command.size() + 1);
        for (const std::string& word : command) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(input[0], STDIN_FILENO);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(input[0]);
        input_ = input[1];
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (input_ >= 0) {
            ::close(input_);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    int input_ = -1;
};

struct Args {
    std::string moxel, passthrough, jalv;
    int seconds = 5;
    int rounds = 3;
    std::vector<unsigned> rates;
};

// A relay under test: started, it runs (and is linked) until the returned
// object goes; nothing when it could not start.
struct Contender {
    std::string name;
    std::function<std::shared_ptr<void>(Load&, pid_t&)> start;
};

std::vector<Contender> contenders(const Args& args, const std::string& server) {
    std::vector<Contender> all;
    all.push_back({"passthrough", [&args](Load&, pid_t& pid) -> std::shared_ptr<void> {
                       auto child = std::make_shared<Child>(std::vector<std::string>{
                           args.passthrough, "--mode", "direct", "--source", "keys:out",
                           "--destination", "synth:in", "--timeout", "10"});
                       pid = child->pid();
                       return child;
                   }});
    if (!args.jalv.empty()) {
        all.push_back({"x42 in jalv", [&args](Load& load, pid_t& pid) -> std::shared_ptr<void> {
                           // A name of its own each time, so that a start never
                           // depends on the server having let go of the last.
                           static int started = 0;
                           const std::string client = "x42-channelmap-" + std::to_string(++started);
                           std::vector<std::string> command{args.jalv, "-x", "-n", client};
                           for (int channel = 1; channel <= 16; ++channel) {
                               command.push_back("-c");
                               command.push_back("chn" + std::to_string(channel) + "=" +
                                                 std::to_string(kOutputChannel));
                           }
                           command.push_back(kChannelMap);
                           auto child = std::make_shared<Child>(command);
                           pid = child->pid();
                           return load.linkThrough(client) ? child : nullptr;
                       }});
    }
    all.push_back({"moxel", [&args, server](Load&, pid_t& pid) -> std::shared_ptr<void> {
                       auto program = std::make_shared<moxel::test::MoxelProcess>(args.moxel);
                       if (std::getenv("DISPLAY") != nullptr) {
                           program->setPlatform("xcb");
                       }
                       program->writeSettings(
                           "[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\n"
                           "synth:in=" +
                           std::to_string(kOutputChannel - 1) + "\n");
                       pid = program->start(server);
                       return program;
                   }});
    return all;
}

// Every rate through one contender; nothing when it did not link the load.
std::optional<std::vector<Figures>> run(const Contender& contender, const Args& args, Load& load) {
    std::optional<std::vector<Figures>> figures;
    {
        pid_t pid = -1;
        const std::shared_ptr<void> running = contender.start(load, pid);
        if (running && moxel::test::waitUntil([&] { return load.linked(); }, 10s)) {
            std::this_thread::sleep_for(1s); // past the start
            figures.emplace();
            for (const unsigned rate : args.rates) {
                figures->push_back(measure(pid, load, rate, args.seconds));
            }
        }
    }
    moxel::test::waitUntil([&] { return !load.linked(); }, 10s);
    return figures;
}

void print(const std::string& who, const Figures& figures) {
    std::printf("  %-12s %6.2f %%  lost %llu\n", who.c_str(), figures.percent, figures.lost);
    for (const auto& [thread, percent] : figures.threads) {
        if (percent >= 0.05) {
            std::printf("      %-26s %6.2f %%  %8.1f wake-ups/s\n", thread.c_str(), percent,
                        figures.wakeUps.at(thread));
        }
    }
}

std::optional<Args> parse(int argc, char** argv) {
    Args args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool valued = i + 1 < argc;
        if (arg == "--moxel" && valued) {
            args.moxel = argv[++i];
        } else if (arg == "--passthrough" && valued) {
            args.passthrough = argv[++i];
        } else if (arg == "--jalv" && valued) {
            args.jalv = argv[++i];
        } else if (arg == "--seconds" && valued) {
            args.seconds = std::atoi(argv[++i]);
        } else if (arg == "--rounds" && valued) {
            args.rounds = std::atoi(argv[++i]);
        } else {
            args.rates.push_back(static_cast<unsigned>(std::strtoul(arg.c_str(), nullptr, 10)));
        }
    }
    if (args.rates.empty()) {
        args.rates = {100, 1000, 10000, 50000};
    }
    if (args.moxel.empty() || args.passthrough.empty() || args.seconds <= 0 || args.rounds <= 0) {
        return std::nullopt;
    }
    return args;
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<Args> args = parse(argc, argv);
    if (!args) {
        std::fprintf(stderr,
                     "usage: %s --moxel PATH --passthrough PATH [--jalv PATH] [--seconds N] "
                     "[--rounds N] [RATE...]\n",
                     argv[0]);
        return 2;
    }
    moxel::midi::JackBackend::quietLibraryMessages();
    moxel::test::JackServer server;
    if (!server.running()) {
        std::fprintf(stderr, "no JACK server: %s\n", server.error().c_str());
        return 1;
    }
    Load load;
    const std::vector<Contender> all = contenders(*args, server.name());
    // rounds[contender][round][rate]
    std::vector<std::vector<std::vector<Figures>>> rounds(all.size());
    for (int round = 0; round < args->rounds; ++round) {
        for (std::size_t turn = 0; turn < all.size(); ++turn) {
            const std::size_t which = (turn + static_cast<std::size_t>(round)) % all.size();
            auto figures = run(all[which], *args, load);
            if (!figures) {
                std::fprintf(stderr, "%s did not link keys:out and synth:in\n",
                             all[which].name.c_str());
                return 1;
            }
            rounds[which].push_back(std::move(*figures));
        }
    }
    std::printf("CPU in %% of one core, medians of %d rounds of %d s per rate (dummy driver, "
                "48000 Hz, period %u):\n",
                args->rounds, args->seconds, server.period());
    for (std::size_t rate = 0; rate < args->rates.size(); ++rate) {
        std::printf("%u messages/s\n", args->rates[rate]);
        std::vector<Figures> medians;
        for (std::size_t who = 0; who < all.size(); ++who) {
            std::vector<Figures> ofRate;
            for (const auto& round : rounds[who]) {
                ofRate.push_back(round[rate]);
            }
            medians.push_back(medianOf(ofRate));
            print(all[who].name, medians.back());
        }
        for (std::size_t reference = 0; reference + 1 < all.size(); ++reference) {
            std::printf("  moxel - %s: %+.2f points\n", all[reference].name.c_str(),
                        medians.back().percent - medians[reference].percent);
        }
    }
    return 0;
}
