#pragma once

#include <atomic>

#include <jack/jack.h>

namespace moxel {
class Relay;
}

namespace moxel::midi {

class NewsThread;

// The real-time half of the JACK backend: the process thread, which each
// cycle drives the relay with what arrived on Moxel's input port and writes to
// its output port, each event at the frame offset it arrived with. One per
// JACK client.
//
// The clients after Moxel in the graph are let go on before the UI hears of
// news: waking the news thread is a system call, and where the process thread
// is not real-time the thread it wakes may take its processor at once; in the
// cycle, that would make the receivers late, and on a server that does not
// wait for them (jackd's default) they would lose what the cycle carried.
class JackRelayProcess {
  public:
    JackRelayProcess(jack_client_t* client, Relay& relay, NewsThread& news, jack_port_t* input,
                     jack_port_t* output) noexcept
        : client_(client), relay_(relay), news_(news), input_(input), output_(output) {}

    // JACK process thread (arg: the JackRelayProcess), for
    // jack_set_process_thread. Not noexcept: libjack ends it by cancelling it.
    static void* processThread(void* arg);

    // From now on the callback leaves the relay alone and sends nothing (for a
    // client left open because its server does not answer); returns once no
    // callback is inside them any more. UI side.
    void detach() noexcept;

  private:
    // One cycle; true when the UI must be woken for news.
    bool process(jack_nframes_t frames) noexcept;

    jack_client_t* client_;
    Relay& relay_;
    NewsThread& news_;
    jack_port_t* input_;
    jack_port_t* output_;
    std::atomic<bool> detached_{false};
    std::atomic<bool> inside_{false}; // a callback is running
};

} // namespace moxel::midi
