#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <alsa/asoundlib.h>

namespace moxel::test {

// A small scripted ALSA sequencer client for tests and benchmarks: a port
// "out" that others can read (Moxel's input device) and a port "in" that
// others can write (an output device). It sends events straight to the
// subscribers of "out" and records, with the time it read them, the MIDI
// bytes of every event that reaches "in" (a SysEx event as its bytes).
//
//   AlsaPeer keys("keys");                 // ports "keys:out" and "keys:in"
//   keys.send({0x90, 60, 100});
//   ASSERT_TRUE(synth.waitForReceived(1));
class AlsaPeer {
  public:
    struct Event {
        std::vector<std::uint8_t> bytes;
        std::chrono::steady_clock::time_point time;
    };

    // readEvery: a receiver that reads at an ordinary pace, with the queue
    // the kernel gives every client, reading what came once every so often
    // (a program with a main loop of that period); zero reads at once, with a
    // large queue.
    explicit AlsaPeer(const std::string& name,
                      std::chrono::milliseconds readEvery = std::chrono::milliseconds(0));
    ~AlsaPeer(); // the client goes, and its ports with it
    AlsaPeer(const AlsaPeer&) = delete;
    AlsaPeer& operator=(const AlsaPeer&) = delete;

    bool ok() const noexcept { return seq_ != nullptr; }
    const std::string& name() const noexcept { return name_; }
    std::string sourcePort() const { return name_ + ":out"; } // as Moxel lists it
    std::string sinkPort() const { return name_ + ":in"; }
    int client() const noexcept { return client_; }

    // Sends one message or SysEx chunk now; false when the sequencer refused.
    bool send(const std::vector<std::uint8_t>& bytes);

    std::vector<Event> received();
    // The bytes of each event received so far, in order.
    std::vector<std::vector<std::uint8_t>> receivedBytes();
    bool waitForReceived(std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

  private:
    void read();

    snd_seq_t* seq_ = nullptr;
    int client_ = -1;
    int out_ = -1, in_ = -1;
    std::string name_;
    std::chrono::milliseconds readEvery_;
    snd_midi_event_t* encoder_ = nullptr;
    snd_midi_event_t* decoder_ = nullptr;
    int stopFd_ = -1;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Event> received_;
    std::thread reader_;
};

} // namespace moxel::test
