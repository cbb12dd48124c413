// moxel_relay_check: Moxel against the JACK service that runs now (JACK
// itself, or PipeWire's JACK service under pw-jack), as a musician's set-up
// uses it. Two scripted clients, "keys" and "synth", stand for a keyboard and
// a sound module; Moxel starts with a setting.ini of its own that names
// keys:out as its input, synth:in as its output and 4Ch as synth:in's channel.
// Checked, one line each:
//   - Moxel found both devices and linked them (the clients' ports are connected);
//   - a note-on played on channel 1 at frame offset 17 reaches the synth on
//     channel 4, in the same cycle and at the same frame offset;
//   - a timing clock and a SysEx message reach it unchanged, the same way;
//   - SIGTERM ends Moxel with exit status 0.
//
// usage: moxel_relay_check <path of the built moxel>
// Exit status: 0 when every check held, 1 when one failed, 2 on a bad argument.
// tools/pipewire/private_pipewire.sh runs it on a private PipeWire.

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "peer/JackPeer.h"
#include "peer/MoxelProcess.h"

namespace {

using namespace std::chrono_literals;
using moxel::test::JackPeer;
using moxel::test::MidiEvent;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kOffset = 17;

bool report(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    std::fflush(stdout);
    return ok;
}

std::string hex(const Bytes& bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += (text.empty() ? "" : " ") + std::string(digits);
    }
    return text;
}

// The process has ended; it is left for MoxelProcess to collect.
bool ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

// The port is connected to Moxel's port of that name ("<moxel client>:<port>").
bool linkedToMoxel(const JackPeer& peer, const std::string& port, const std::string& moxelPort) {
    jack_port_t* p = jack_port_by_name(peer.client(), port.c_str());
    const char** links = p != nullptr ? jack_port_get_all_connections(peer.client(), p) : nullptr;
    bool found = false;
    for (std::size_t i = 0; links != nullptr && links[i] != nullptr; ++i) {
        const std::string name = links[i];
        found = found || (name.starts_with("moxel") && name.ends_with(":" + moxelPort));
    }
    jack_free(static_cast<void*>(links));
    return found;
}

// Plays the message at kOffset until the synth hears what is expected (what is
// played before a new link carries is lost); the event the synth heard.
std::optional<MidiEvent> playUntilHeard(JackPeer& keys, JackPeer& synth, const Bytes& message,
                                        const Bytes& expected) {
    synth.clearReceived();
    std::optional<MidiEvent> heard;
    moxel::test::waitUntil(
        [&] {
            for (const MidiEvent& event : synth.received()) {
                if (event.bytes == expected) {
                    heard = event;
                    return true;
                }
            }
            keys.send(message, kOffset);
            synth.waitForReceived(synth.received().size() + 1, 50ms);
            return false;
        },
        10s);
    return heard;
}

// The message reaches the synth as expected, in the cycle and at the frame
// offset it was played at: one of the played events has the heard one's frame.
bool relayedInCycle(JackPeer& keys, JackPeer& synth, const std::string& what, const Bytes& message,
                    const Bytes& expected) {
    const std::optional<MidiEvent> heard = playUntilHeard(keys, synth, message, expected);
    if (!heard) {
        return report(false, what + " " + hex(message) + " never arrived as " + hex(expected));
    }
    bool sameFrame = false;
    for (const MidiEvent& played : keys.sent()) {
        sameFrame = sameFrame || (played.bytes == message && played.frame == heard->frame);
    }
    return report(sameFrame, what + " " + hex(message) + " at offset " + std::to_string(kOffset) +
                                 " arrived as " + hex(heard->bytes) +
                                 (sameFrame ? " in the same cycle at the same frame offset"
                                            : " in another cycle or at another offset"));
}

int check(const char* program) {
    JackPeer keys("keys");
    JackPeer synth("synth");
    if (!report(keys.ok() && synth.ok(), "the JACK service takes the clients keys and synth")) {
        return 1;
    }
    std::printf("period: %u frames\n", keys.periodFrames());
    moxel::test::MoxelProcess moxel(program);
    moxel.writeSettings(
        "[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\nsynth:in=3\n");
    const char* server = std::getenv("JACK_DEFAULT_SERVER");
    moxel.start(server != nullptr ? server : "default");
    bool gone = false;
    const bool linked = moxel::test::waitUntil(
        [&] {
            gone = ended(moxel.pid());
            return gone || (linkedToMoxel(keys, keys.sourcePort(), "midi_in") &&
                            linkedToMoxel(synth, synth.sinkPort(), "midi_out"));
        },
        20s);
    const std::string devices = keys.sourcePort() + " and " + synth.sinkPort();
    if (!report(linked && !gone, gone ? "Moxel ended before it linked " + devices
                                      : "Moxel listed and linked " + devices)) {
        return 1;
    }
    bool ok = relayedInCycle(keys, synth, "note-on", {0x90, 0x3C, 0x64}, {0x93, 0x3C, 0x64});
    ok = relayedInCycle(keys, synth, "timing clock", {0xF8}, {0xF8}) && ok;
    const Bytes sysex = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    ok = relayedInCycle(keys, synth, "SysEx", sysex, sysex) && ok;
    const std::optional<int> status = moxel.stop(SIGTERM);
    ok = report(status == 0, "SIGTERM ended Moxel with status " +
                                 (status ? std::to_string(*status) : "(still running)")) &&
         ok;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <path of the built moxel>\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const int status = check(argv[1]);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("%s after %lld ms\n", status == 0 ? "all checks passed" : "a check failed",
                static_cast<long long>(took.count()));
    return status;
}
