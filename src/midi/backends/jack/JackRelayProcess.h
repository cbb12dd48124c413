#pragma once

#include <atomic>

#include <jack/jack.h>

namespace moxel {

class ActivityNotifier;
class Relay;

// The real-time half of the JACK backend: the process callback, which drives
// the relay with what arrived on Moxel's input port and writes to its output
// port, each event at the frame offset it arrived with. One per JACK client.
class JackRelayProcess {
  public:
    JackRelayProcess(Relay& relay, ActivityNotifier& notifier, jack_port_t* input,
                     jack_port_t* output) noexcept
        : relay_(relay), notifier_(notifier), input_(input), output_(output) {}

    // JACK process callback (arg: the JackRelayProcess).
    static int processCallback(jack_nframes_t frames, void* arg) noexcept;

    // From now on the callback leaves the relay alone and sends nothing (for a
    // client left open because its server does not answer); returns once no
    // callback is inside them any more. UI side.
    void detach() noexcept;

  private:
    int process(jack_nframes_t frames) noexcept;

    Relay& relay_;
    ActivityNotifier& notifier_;
    jack_port_t* input_;
    jack_port_t* output_;
    std::atomic<bool> detached_{false};
    std::atomic<bool> inside_{false}; // a callback is running
};

} // namespace moxel
