#pragma once

#include <atomic>
#include <cstdint>

namespace moxel {

// The state the relay reads and writes on the MIDI side (possibly a real-time
// thread) and the UI thread reads and writes on its side. Only lock-free
// atomics, so neither side ever waits for the other.
class RelayShared {
  public:
    // UI -> relay
    std::atomic<int> outputChannel{0}; // the channel messages leave on, 0..15
    std::atomic<bool> followInputChannel{
        false}; // messages keep their channel; outputChannel follows it
    std::atomic<bool> inputOpen{false};
    std::atomic<bool> outputOpen{false};
    // The UI reads the relay -> UI flags by itself every 10 ms (its lamp
    // timer runs): news needs no wake-up meanwhile. Stored and read seq_cst,
    // paired with the flags' seq_cst exchanges, so that when the UI stops
    // reading, either it sees a flag raised at that moment or the relay sees
    // that it must wake the UI.
    std::atomic<bool> uiReadsNews{false};

    // relay -> UI (the UI takes them with exchange(false))
    std::atomic<bool> inputLamp{false};
    std::atomic<bool> outputLamp{false};
    std::atomic<bool> channelFollowed{false}; // outputChannel was moved by follow mode

    static_assert(std::atomic<int>::is_always_lock_free);
    static_assert(std::atomic<bool>::is_always_lock_free);
};

} // namespace moxel
