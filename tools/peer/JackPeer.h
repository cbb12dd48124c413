#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <jack/jack.h>

#include "peer/WaitUntil.h"

namespace moxel::test {

// One MIDI event as a peer sent or received it. frame is the absolute frame
// time: the start of the cycle (jack_last_frame_time) plus the event's offset.
struct MidiEvent {
    std::uint64_t frame = 0;
    std::vector<std::uint8_t> bytes;
};

// An event to send: its bytes and its frame offset within the cycle.
struct ScheduledEvent {
    std::vector<std::uint8_t> bytes;
    std::uint32_t offset = 0;
};

// A small scripted JACK client for tests, the demo and the benchmarks, with a
// MIDI output port (a source for Moxel, "out" unless named) and a MIDI input
// port (a destination, "in"). Use one peer as source
// and another as sink when both are wired to Moxel, so the graph has no loop
// and everything happens in one cycle.
//
//   JackPeer source("src"), sink("dst");
//   source.send({0x90, 0x3C, 0x64}, 10);   // next cycle, frame offset 10
//   source.sendBatch({{{0x90, 0x3C, 0x64}, 0}, {{0x80, 0x3C, 0x00}, 32}}); // one cycle
//   ASSERT_TRUE(sink.waitForReceived(1));
//   sink.received()[0].bytes ...
//
// send() and sendBatch() are for one thread; the other members may be called from it too.
class JackPeer {
  public:
    // Events larger than this are cut when recorded (sending refuses them).
    static constexpr std::size_t kMaxEventBytes = 256;
    static constexpr auto kDefaultTimeout = std::chrono::milliseconds(5000);

    // physical: the ports say they are hardware (as a bridge's ports do).
    explicit JackPeer(const std::string& name, const std::string& sourceName = "out",
                      const std::string& sinkName = "in", bool physical = false);
    ~JackPeer();
    JackPeer(const JackPeer&) = delete;
    JackPeer& operator=(const JackPeer&) = delete;

    // The client is open and active.
    bool ok() const noexcept { return client_ != nullptr; }
    // JACK told this client that its server went away. Such a client is not
    // closed by the destructor: libjack frees the clients of a dead server
    // itself when the next client of the process opens.
    bool serverGone() const noexcept;
    jack_client_t* client() const noexcept { return client_; }
    const std::string& clientName() const noexcept { return clientName_; }
    const std::string& sourcePort() const noexcept { return sourcePort_; } // "<client>:<source>"
    const std::string& sinkPort() const noexcept { return sinkPort_; }     // "<client>:<sink>"
    std::uint32_t periodFrames() const;

    // Writes the events in the peer's next cycle, all in that one cycle, each
    // at its offset (clamped into the period; an offset lower than the one
    // before it is raised to it). False when an event is empty or too large,
    // or the queue is full.
    bool sendBatch(const std::vector<ScheduledEvent>& events);
    // One event: sendBatch of just that.
    bool send(std::vector<std::uint8_t> bytes, std::uint32_t offset = 0);

    // Everything the source wrote / the sink received so far, in order.
    std::vector<MidiEvent> sent();
    std::vector<MidiEvent> received();
    // The bytes of each event received so far, in order.
    std::vector<std::vector<std::uint8_t>> receivedBytes();
    void clearReceived();

    // Wait (up to timeout) until at least count events were written /
    // received in total. True when they were.
    bool waitForSent(std::size_t count, std::chrono::milliseconds timeout = kDefaultTimeout);
    bool waitForReceived(std::size_t count, std::chrono::milliseconds timeout = kDefaultTimeout);
    // Waits until this peer has finished a cycle that began after frame.
    bool waitForCycleAfter(std::uint64_t frame,
                           std::chrono::milliseconds timeout = kDefaultTimeout);

    // Sends out again whatever arrives, in the same cycle (as a keyboard's
    // soft thru does).
    void echoInput(bool on);

    // Something is connected to both of this peer's ports.
    bool connectedBothWays() const;

    // Connects two ports by full name through this client (0 or EEXIST: true).
    bool connect(const std::string& from, const std::string& to);

  private:
    struct Realtime;
    static int process(jack_nframes_t frames, void* arg);
    void drain();

    jack_client_t* client_ = nullptr;
    std::unique_ptr<Realtime> rt_;
    std::string clientName_;
    std::string sourcePort_;
    std::string sinkPort_;
    std::vector<MidiEvent> sent_;
    std::vector<MidiEvent> received_;
};

} // namespace moxel::test
