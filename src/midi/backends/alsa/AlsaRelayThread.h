#pragma once

#include <atomic>
#include <thread>

#include <alsa/asoundlib.h>

#include "midi/backends/alsa/WritePace.h"

namespace moxel {
class Relay;
}

namespace moxel::midi {

class NewsThread;

// The relay's own thread on the ALSA sequencer: the real-time context that
// drives the relay. It waits in poll() on the sequencer (and on a wake for
// the UI's work), reads every event that arrived on Moxel's input port, turns
// it into MIDI bytes for the relay and writes what the relay sends straight
// to the subscribers of Moxel's output port: no queue, no added delay. Device
// news from the System Announce port goes to the news thread.
//
// The relay's own messages (a reset, a release) go out at a pace a receiver
// keeps up with, and only while its queue has room (WritePace): the
// sequencer has no flow control.
//
// At real-time priority (SCHED_FIFO) where the system allows it; it says so
// once on the error output when it does not. Once it runs: no allocation,
// lock or logging; the system calls are poll, the sequencer's reads and
// writes, the wake's read when poll reported it, the news thread's wake, and,
// while a message of the relay's own waits, the look at the receiver's queue.
class AlsaRelayThread {
  public:
    // The largest event relayed whole (a SysEx chunk); larger ones are lost.
    static constexpr std::size_t kLargestEvent = 64 * 1024;

    AlsaRelayThread(snd_seq_t* seq, int inputPort, int outputPort, Relay& relay, NewsThread& news);
    ~AlsaRelayThread();
    AlsaRelayThread(const AlsaRelayThread&) = delete;
    AlsaRelayThread& operator=(const AlsaRelayThread&) = delete;

    // Any thread: the thread runs a cycle soon, work or not.
    void wake() noexcept;
    // Any thread: the client Moxel's output is connected to (-1: none); the
    // relay's own messages wait for room in its queue.
    void setReceiver(int client) noexcept { receiver_.store(client, std::memory_order_relaxed); }

  private:
    class SequencerWriter;

    void run() noexcept;
    void prepare() noexcept;
    void pass(SequencerWriter& out, bool arrived) noexcept;
    void handle(const snd_seq_event_t& event, SequencerWriter& out) noexcept;

    snd_seq_t* seq_;
    const int inputPort_;
    const int outputPort_;
    Relay& relay_;
    NewsThread& news_;
    int wakeFd_ = -1;
    snd_midi_event_t* decoder_ = nullptr;
    snd_midi_event_t* encoder_ = nullptr;
    std::size_t queueSize_ = 0; // the events Moxel's kernel queue holds
    int sequencerFd_ = -1;
    WritePace pace_;
    std::atomic<int> receiver_{-1};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace moxel::midi
