#pragma once

#include <string>
#include <thread>

#include <alsa/asoundlib.h>

namespace moxel::bench {

// The least a relay in user space can do on the ALSA sequencer, as the floor
// that Moxel's relay is measured against: a client with ports "in" and "out"
// and a thread at Moxel's real-time priority that waits in poll, reads each
// event, puts a channel event on the chosen channel and writes it at once to
// the subscribers of "out". Nothing else: no SysEx joining, no notes kept,
// no lamps.
class MinimalAlsaRelay {
  public:
    MinimalAlsaRelay(const std::string& name, int channel);
    ~MinimalAlsaRelay();
    MinimalAlsaRelay(const MinimalAlsaRelay&) = delete;
    MinimalAlsaRelay& operator=(const MinimalAlsaRelay&) = delete;

    bool ok() const noexcept { return seq_ != nullptr; }
    int client() const noexcept { return client_; }

  private:
    void run() noexcept;

    snd_seq_t* seq_ = nullptr;
    int client_ = -1;
    int in_ = -1, out_ = -1;
    int channel_;
    int stopFd_ = -1;
    std::thread thread_;
};

} // namespace moxel::bench
