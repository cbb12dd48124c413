// How Moxel heals itself: the built program on a private JACK server between
// a keyboard ("keys") and a synth ("synth"), both scripted clients. Each
// round plays a note and holds it, takes a device (or the whole server) away
// and brings it back, then plays until the synth hears a fresh message.
//
//   server   the JACK server is stopped and a new one of the same name started
//   output   the synth's client quits and comes back under the same name
//   input    the keyboard's client quits and comes back under the same name
//
// For each kind it prints the time from the device's return (its ports exist
// again) to the first message relayed to the synth (median and maximum), the
// notes still sounding at the synth once the round has settled (a synth that
// survives the restart of its client keeps its notes, so they are counted
// across the synth's clients), and the rounds that did not recover by
// themselves within 5 s. Then Moxel's wake-ups per second while idle, thread
// by thread, with both devices open.
//
// usage: moxel_recovery_bench --moxel PATH [--restarts N] [--replugs N]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <jack/jack.h>

#include "midi/backends/jack/JackBackend.h"
#include "peer/JackPeer.h"
#include "peer/JackServer.h"
#include "peer/MoxelProcess.h"
#include "peer/ProcessThreads.h"
#include "peer/WaitUntil.h"

namespace {

using namespace moxel::test;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

enum class Gone { Server, Output, Input };

struct Kind {
    Gone gone;
    const char* name;
    std::vector<double> ms; // recovery times
    int stuck = 0;
    int failed = 0;
};

class Stage {
  public:
    explicit Stage(const std::string& moxel) : moxel_(moxel) {
        startServer();
        moxel_.writeSettings(
            "[Moxel Settings.]\nDefaultMidiIn=keys:out\nDefaultMidiOut=synth:in\n");
        moxel_.start(name_);
    }

    // The server goes first, taking every client with it, as when it crashes.
    void startServer() {
        if (server_) {
            server_->stop();
            waitUntil([&] { return keys->serverGone() && synth->serverGone(); });
        }
        keys.reset();
        synth.reset();
        server_.reset();
        server_ = std::make_unique<JackServer>(JackServer::Options{.name = name_});
        keys = std::make_unique<JackPeer>("keys");
        synth = std::make_unique<JackPeer>("synth");
    }

    // Plays the message until the synth hears it; false after the deadline.
    bool play(const Bytes& message, std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            keys->send(message);
            if (synth->waitForReceived(synth->received().size() + 1,
                                       std::chrono::milliseconds(2))) {
                count();
                if (std::ranges::find(heard_, message) != heard_.end()) {
                    heard_.clear();
                    return true;
                }
            }
        }
        count();
        return false;
    }

    // Keeps the synth's side of every note: what is still sounding there.
    void count() {
        if (!synth) {
            return;
        }
        for (const auto& event : synth->received()) {
            heard_.push_back(event.bytes);
            const auto& b = event.bytes;
            const bool on = b.size() == 3 && (b[0] & 0xF0) == 0x90 && b[2] != 0;
            const bool off = b.size() == 3 && ((b[0] & 0xF0) == 0x80 || (b[0] & 0xF0) == 0x90);
            int& sounding = notes_[(b[0] & 0x0F) * 128 + (b.size() > 1 ? b[1] : 0)];
            sounding = on ? sounding + 1 : off ? std::max(0, sounding - 1) : sounding;
        }
        synth->clearReceived();
    }
    int stuckNotes() {
        int total = 0;
        for (const auto& [note, sounding] : notes_) {
            total += sounding;
        }
        return total;
    }

    pid_t pid() const { return moxel_.pid(); }

    std::unique_ptr<JackPeer> keys, synth;

  private:
    std::string name_ = JackServer::uniqueName();
    std::unique_ptr<JackServer> server_;
    MoxelProcess moxel_;
    std::map<int, int> notes_;
    std::vector<Bytes> heard_;
};

void round(Stage& stage, Kind& kind, int number) {
    const auto key = static_cast<std::uint8_t>(40 + number % 40);
    stage.play({0x90, key, 100}, std::chrono::seconds(5)); // held while the device goes
    stage.count();
    if (kind.gone == Gone::Server) {
        stage.startServer();
    } else if (kind.gone == Gone::Output) {
        stage.synth.reset();
        stage.synth = std::make_unique<JackPeer>("synth");
    } else {
        stage.keys.reset();
        stage.keys = std::make_unique<JackPeer>("keys");
    }
    const auto back = Clock::now();
    const Bytes fresh{0xB0, 1, static_cast<std::uint8_t>(number % 128)};
    if (!stage.play(fresh, std::chrono::seconds(5))) {
        ++kind.failed;
        return;
    }
    kind.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - back).count());
    stage.play({0x80, key, 0}, std::chrono::seconds(5));        // the key is let go
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // a settled round
    stage.count();
    kind.stuck = stage.stuckNotes();
}

void report(Kind& kind) {
    std::ranges::sort(kind.ms);
    const double median = kind.ms.empty() ? 0 : kind.ms[kind.ms.size() / 2];
    const double worst = kind.ms.empty() ? 0 : kind.ms.back();
    std::printf("%-7s rounds %3zu  back to first relayed message: median %7.1f ms, max %7.1f ms"
                "  stuck notes %d  did not recover %d\n",
                kind.name, kind.ms.size() + static_cast<std::size_t>(kind.failed), median, worst,
                kind.stuck, kind.failed);
}

void idleWakeUps(Stage& stage) {
    std::this_thread::sleep_for(std::chrono::seconds(1)); // the lamps are dark again
    const auto before = moxel::test::readProcessThreads(stage.pid());
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const auto used = difference(before, moxel::test::readProcessThreads(stage.pid()));
    std::printf("idle, both devices open (5 s), wake-ups per second by thread:\n");
    for (const auto& [thread, use] : used) {
        std::printf("  %-24s %8.1f\n", thread.c_str(), static_cast<double>(use.switches) / 5.0);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string moxel;
    int restarts = 20, replugs = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--moxel") {
            moxel = argv[i + 1];
        } else if (arg == "--restarts") {
            restarts = std::atoi(argv[i + 1]);
        } else if (arg == "--replugs") {
            replugs = std::atoi(argv[i + 1]);
        }
    }
    if (moxel.empty()) {
        std::fprintf(stderr, "usage: %s --moxel PATH [--restarts N] [--replugs N]\n", argv[0]);
        return 2;
    }
    moxel::midi::JackBackend::quietLibraryMessages();
    Stage stage(moxel);
    if (!stage.play({0xF8}, std::chrono::seconds(20))) {
        std::fprintf(stderr, "moxel did not start relaying\n");
        return 1;
    }
    idleWakeUps(stage);
    std::array<Kind, 3> kinds{{{Gone::Server, "server", {}, 0, 0},
                               {Gone::Output, "output", {}, 0, 0},
                               {Gone::Input, "input", {}, 0, 0}}};
    for (int i = 0; i < restarts; ++i) {
        round(stage, kinds[0], i);
    }
    for (int i = 0; i < replugs; ++i) {
        round(stage, kinds[1 + i % 2], i);
    }
    for (Kind& kind : kinds) {
        report(kind);
    }
    return std::ranges::any_of(kinds, [](const Kind& k) { return k.failed + k.stuck > 0; }) ? 1 : 0;
}
