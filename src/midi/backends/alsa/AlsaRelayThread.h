#pragma once

#include <atomic>
#include <thread>

#include <alsa/asoundlib.h>

#include "midi/backends/alsa/WritePace.h"

namespace moxel {

class ActivityNotifier;
class Relay;

// The relay's own thread on the ALSA sequencer: the real-time context that
// drives the relay. It waits in poll() on the sequencer (and on a wake for
// the UI's work), reads every event that arrived on Moxel's input port, turns
// it into MIDI bytes for the relay and writes what the relay sends straight
// to the subscribers of Moxel's output port: no queue, no added delay. Device
// news from the System Announce port goes to the notifier.
//
// The relay's own messages (a reset, a release) go out at a pace a receiver
// keeps up with (WritePace): the sequencer has no flow control.
//
// At real-time priority (SCHED_FIFO) where the system allows it; it says so
// once on the error output when it does not. Once it runs: no allocation,
// lock or logging; the system calls are poll, the sequencer's reads and
// writes, the wake's read when poll reported it, and the notifier's wake.
class AlsaRelayThread {
  public:
    // The largest event relayed whole (a SysEx chunk); larger ones are lost.
    static constexpr std::size_t kLargestEvent = 64 * 1024;

    AlsaRelayThread(snd_seq_t* seq, int inputPort, int outputPort, Relay& relay,
                    ActivityNotifier& notifier);
    ~AlsaRelayThread();
    AlsaRelayThread(const AlsaRelayThread&) = delete;
    AlsaRelayThread& operator=(const AlsaRelayThread&) = delete;

    // Any thread: the thread runs a cycle soon, work or not.
    void wake() noexcept;

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
    ActivityNotifier& notifier_;
    int wakeFd_ = -1;
    snd_midi_event_t* decoder_ = nullptr;
    snd_midi_event_t* encoder_ = nullptr;
    std::size_t queueSize_ = 0; // the events Moxel's kernel queue holds
    WritePace pace_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace moxel
