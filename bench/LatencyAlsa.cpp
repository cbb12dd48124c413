// Latency of Moxel's ALSA relay against a direct kernel subscription between
// the same two kinds of port, in one run, on the ALSA sequencer (run it in
// the test guest: bench/latency-alsa.sh). Also checks that a burst and a
// 64 KB SysEx arrive complete.
//
//   moxel_latency_alsa [MESSAGES]
//
// Each message is a note-on whose two data bytes number it; its latency is
// the time from the sender's write to the receiver's read.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

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

bool connect(AlsaPeer& from, AlsaPeer& to) {
    return std::system(("aconnect " + std::to_string(from.client()) + ":0 " +
                        std::to_string(to.client()) + ":1")
                           .c_str()) == 0;
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
    AlsaPeer source("bench-source"), sink("bench-sink");
    if (!source.ok() || !sink.ok() || !connect(source, sink)) {
        std::fprintf(stderr, "latency-alsa: no ALSA sequencer here (run it in the test guest)\n");
        return 2;
    }
    std::printf("%-10s %-12s %12s %12s %6s\n", "rate/s", "path", "median us", "p99 us", "lost");
    Figures direct[2];
    const int rates[] = {1000, 10000};
    for (int r = 0; r < 2; ++r) {
        direct[r] = measure(source, sink, count, rates[r]);
        std::printf("%-10d %-12s %12.1f %12.1f %6zu\n", rates[r], "direct", direct[r].median,
                    direct[r].p99, direct[r].lost);
    }
    const bool directComplete = complete(source, sink);
    // Moxel's path alone from here on.
    const std::string disconnect = "aconnect -d " + std::to_string(source.client()) + ":0 " +
                                   std::to_string(sink.client()) + ":1";
    if (std::system(disconnect.c_str()) != 0) {
        std::fprintf(stderr, "latency-alsa: '%s' failed\n", disconnect.c_str());
        return 2;
    }

    moxel::RelayShared shared;
    moxel::AlsaBackend moxel(shared);
    moxel::MidiHandle in = 0, out = 0;
    moxel.openInput(moxel::positionOf(moxel.inputs(), source.sourcePort()), in);
    moxel.startInput(in);
    moxel.openOutput(moxel::positionOf(moxel.outputs(), sink.sinkPort()), out);
    bool ok = in != 0 && out != 0;
    for (int r = 0; r < 2 && ok; ++r) {
        const Figures f = measure(source, sink, count, rates[r]);
        std::printf("%-10d %-12s %12.1f %12.1f %6zu   added: median %+.1f us, p99 %+.1f us\n",
                    rates[r], "moxel", f.median, f.p99, f.lost, f.median - direct[r].median,
                    f.p99 - direct[r].p99);
        ok = f.lost == 0;
    }
    const bool moxelComplete = complete(source, sink);
    std::printf("burst of 500 and a 64 KB SysEx complete: direct %s, moxel %s\n",
                directComplete ? "yes" : "NO", moxelComplete ? "yes" : "NO");
    return ok && moxelComplete ? 0 : 1;
}
