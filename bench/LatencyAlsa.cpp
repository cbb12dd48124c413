// Latency of Moxel's ALSA relay against a direct kernel subscription and
// against the least relay a program can be (MinimalAlsaRelay: the floor for
// any relay in user space), in one run on the ALSA sequencer (run it in the
// test guest: bench/latency-alsa.sh). The three paths take turns, run after
// run, at 1,000 and at 10,000 messages a second. Also checks that a burst
// and a 64 KB SysEx arrive complete.
//
//   moxel_latency_alsa [MESSAGES] [ROUNDS]
//
// Each message is a note-on whose two data bytes number it; its latency is
// the time from the sender's write to the receiver's read. Each path has a
// sender of its own, and all three end at one receiver.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "MinimalAlsaRelay.h"
#include "midi/backends/alsa/AlsaBackend.h"
#include "peer/AlsaPeer.h"
#include "relay/RelayShared.h"

namespace {

using namespace std::chrono;
using Bytes = std::vector<std::uint8_t>;
using moxel::test::AlsaPeer;

struct Figures {
    double median = 0, p99 = 0; // microseconds
    std::size_t lost = 0;
};

// Sends count numbered note-ons at the rate and times each at the sink.
Figures measure(AlsaPeer& source, AlsaPeer& sink, int count, int perSecond) {
    const std::size_t before = sink.received().size();
    std::vector<steady_clock::time_point> sent(static_cast<std::size_t>(count));
    const auto start = steady_clock::now();
    for (int i = 0; i < count; ++i) {
        std::this_thread::sleep_until(start + microseconds(1'000'000LL * i / perSecond));
        sent[static_cast<std::size_t>(i)] = steady_clock::now();
        source.send({0x90, static_cast<std::uint8_t>(i & 0x7F),
                     static_cast<std::uint8_t>((i >> 7) & 0x7F)});
    }
    sink.waitForReceived(before + static_cast<std::size_t>(count), seconds(10));
    const auto got = sink.received();
    std::vector<double> latencies;
    for (std::size_t j = before; j < got.size(); ++j) {
        const Bytes& b = got[j].bytes;
        if (b.size() == 3 && (b[0] & 0xF0) == 0x90) {
            const auto i = static_cast<std::size_t>(b[1] | (b[2] << 7));
            if (i < sent.size()) {
                latencies.push_back(duration<double, std::micro>(got[j].time - sent[i]).count());
            }
        }
    }
    Figures f;
    f.lost = static_cast<std::size_t>(count) - latencies.size();
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        f.median = latencies[latencies.size() / 2];
        f.p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    }
    return f;
}

// From the client's port 0 to the other's port 1.
bool connect(int fromClient, int toClient) {
    return std::system(
               ("aconnect " + std::to_string(fromClient) + ":0 " + std::to_string(toClient) + ":1")
                   .c_str()) == 0;
}

template <typename T> T medianOf(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? T{} : values[values.size() / 2];
}

// Sends a burst at once and a 64 KB SysEx in 256-byte chunks; whether all
// of it arrived, byte for byte.
bool complete(AlsaPeer& source, AlsaPeer& sink) {
    const std::size_t before = sink.received().size();
    Bytes sent;
    for (int i = 0; i < 500; ++i) {
        const Bytes note{0xB0, 7, static_cast<std::uint8_t>(i & 0x7F)};
        source.send(note);
        sent.insert(sent.end(), note.begin(), note.end());
    }
    Bytes dump{0xF0};
    while (dump.size() + 1 < 65536) {
        dump.push_back(static_cast<std::uint8_t>(dump.size() % 0x7F));
    }
    dump.push_back(0xF7);
    for (std::size_t at = 0; at < dump.size(); at += 256) {
        source.send(Bytes(dump.begin() + static_cast<long>(at),
                          dump.begin() + static_cast<long>(std::min(dump.size(), at + 256))));
        if (at % 1024 == 0) {
            std::this_thread::sleep_for(milliseconds(1)); // a fast device's pace
        }
    }
    sent.insert(sent.end(), dump.begin(), dump.end());
    Bytes got;
    for (int waited = 0; waited < 500 && got.size() < sent.size(); ++waited) {
        std::this_thread::sleep_for(milliseconds(10));
        got.clear();
        const auto events = sink.received();
        for (std::size_t j = before; j < events.size(); ++j) {
            got.insert(got.end(), events[j].bytes.begin(), events[j].bytes.end());
        }
    }
    return got == sent;
}

} // namespace

int main(int argc, char* argv[]) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    AlsaPeer direct("bench-direct"), viaMinimal("bench-minimal"), viaMoxel("bench-moxel");
    AlsaPeer sink("bench-sink");
    moxel::bench::MinimalAlsaRelay minimal("minimal-relay", 0);
    if (!direct.ok() || !viaMinimal.ok() || !viaMoxel.ok() || !sink.ok() || !minimal.ok() ||
        !connect(direct.client(), sink.client()) ||
        !connect(viaMinimal.client(), minimal.client()) ||
        !connect(minimal.client(), sink.client())) {
        std::fprintf(stderr, "latency-alsa: no ALSA sequencer here (run it in the test guest)\n");
        return 2;
    }
    moxel::RelayShared shared;
    moxel::midi::AlsaBackend moxel(shared);
    moxel::midi::MidiHandle in = 0, out = 0;
    moxel.openInput(moxel::midi::positionOf(moxel.inputs(), viaMoxel.sourcePort()), in);
    moxel.startInput(in);
    moxel.openOutput(moxel::midi::positionOf(moxel.outputs(), sink.sinkPort()), out);
    if (in == 0 || out == 0) {
        std::fprintf(stderr, "latency-alsa: Moxel could not open its devices\n");
        return 2;
    }

    struct Path {
        const char* name;
        AlsaPeer& source;
        std::vector<Figures> runs;
    };
    std::printf("%d messages a run, %d runs of each path, taking turns; medians of the runs\n",
                count, rounds);
    std::printf("%-8s %-14s %10s %10s %6s\n", "rate/s", "path", "median us", "p99 us", "lost");
    bool ok = true;
    for (const int rate : {1000, 10000}) {
        std::array<Path, 3> paths{
            {{"direct", direct, {}}, {"minimal relay", viaMinimal, {}}, {"moxel", viaMoxel, {}}}};
        for (int round = 0; round < rounds; ++round) {
            for (int turn = 0; turn < 3; ++turn) {
                Path& path = paths[static_cast<std::size_t>(round % 2 == 0 ? turn : 2 - turn)];
                path.runs.push_back(measure(path.source, sink, count, rate));
            }
        }
        std::array<double, 3> medians{};
        for (std::size_t p = 0; p < paths.size(); ++p) {
            std::vector<double> median, p99;
            std::size_t lost = 0;
            for (const Figures& f : paths[p].runs) {
                median.push_back(f.median);
                p99.push_back(f.p99);
                lost += f.lost;
            }
            medians[p] = medianOf(median);
            std::printf("%-8d %-14s %10.1f %10.1f %6zu\n", rate, paths[p].name, medians[p],
                        medianOf(p99), lost);
            ok = ok && (p != 2 || lost == 0);
        }
        std::printf("%-8d moxel / minimal relay: %.2f at the median (moxel / direct: %.2f)\n", rate,
                    medians[2] / medians[1], medians[2] / medians[0]);
    }
    const bool directComplete = complete(direct, sink);
    const bool moxelComplete = complete(viaMoxel, sink);
    std::printf("burst of 500 and a 64 KB SysEx complete: direct %s, moxel %s\n",
                directComplete ? "yes" : "NO", moxelComplete ? "yes" : "NO");
    return ok && moxelComplete ? 0 : 1;
}
