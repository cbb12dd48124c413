#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <ios>
#include <vector>

namespace moxel::test {

// aseqdump run as a receiver for tests on the ALSA sequencer (its port is
// "aseqdump:aseqdump"): an ordinary program that reads its events with the
// queue the kernel gives every client and prints each. What it printed is
// read back as MIDI bytes.
class Aseqdump {
  public:
    // Its printout goes into that file.
    explicit Aseqdump(std::filesystem::path file);
    ~Aseqdump(); // stop()
    Aseqdump(const Aseqdump&) = delete;
    Aseqdump& operator=(const Aseqdump&) = delete;

    bool ok() const noexcept { return pid_ > 0; }
    // Ends it (SIGINT), once it has printed what it read.
    void stop();
    // The note-ons, note-offs and control changes it printed so far, in order.
    std::vector<std::vector<std::uint8_t>> heard();
    // Once it printed that event: how many it had printed by then; 0 when it
    // did not within the timeout.
    std::size_t waitForHeard(const std::vector<std::uint8_t>& event,
                             std::chrono::milliseconds timeout);

  private:
    void readNew();

    std::filesystem::path file_;
    pid_t pid_ = -1;
    std::vector<std::vector<std::uint8_t>> events_; // what was read of it so far
    std::streamoff read_ = 0;
};

} // namespace moxel::test
