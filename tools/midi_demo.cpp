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

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "peer/JackPeer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string hex(const Bytes& bytes) {
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i == 0 ? "%02X" : " %02X", bytes[i]);
        s += buf;
    }
    return s;
}

bool parseTimeout(int argc, char** argv, int& seconds) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg != "--timeout" || i + 1 >= argc) {
            return false;
        }
        char* end = nullptr;
        const long v = std::strtol(argv[++i], &end, 10);
        if (end == argv[i] || *end != '\0' || v <= 0 || v > 3600) {
            return false;
        }
        seconds = static_cast<int>(v);
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
    moxel::test::JackPeer demo("moxel-demo", "notes_out", "notes_in");
    if (!demo.ok()) {
        std::fprintf(stderr, "moxel-demo: no JACK server is running\n");
        return 1;
    }
    std::printf("moxel-demo: waiting up to %d s for %s and %s to be connected\n", timeoutSeconds,
                demo.sourcePort().c_str(), demo.sinkPort().c_str());
    std::fflush(stdout);
    if (!moxel::test::waitUntil([&] { return demo.connectedBothWays(); },
                                std::chrono::seconds(timeoutSeconds))) {
        std::fprintf(stderr,
                     "moxel-demo: nobody connected to both ports within %d s (choose "
                     "moxel-demo:notes_out as Moxel's input and moxel-demo:notes_in as its "
                     "output)\n",
                     timeoutSeconds);
        return 1;
    }

    // A short melody on channel 3: C D E F G, each note on, then off; then a
    // timing clock, which has no channel.
    std::vector<Bytes> messages;
    for (const std::uint8_t key : {0x3C, 0x3E, 0x40, 0x41, 0x43}) {
        messages.push_back({0x92, key, 0x64});
        messages.push_back({0x82, key, 0x40});
    }
    messages.push_back({0xF8});
    for (const Bytes& m : messages) {
        demo.clearReceived();
        demo.send(m);
        const bool answered = demo.waitForReceived(1, std::chrono::milliseconds(500));
        std::printf("sent %s -> %s%s\n", hex(m).c_str(), answered ? "got " : "got nothing",
                    answered ? hex(demo.received().front().bytes).c_str() : "");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    return 0;
}
