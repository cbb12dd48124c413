#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <alsa/asoundlib.h>

#include "midi/NewsThread.h"
#include "midi/RelayBackend.h"
#include "midi/backends/alsa/AlsaPorts.h"

namespace moxel::midi {

class AlsaRelayThread;

// What a failed open of the sequencer (a negative error number) means for
// the user.
ServiceProblem sequencerProblem(int error) noexcept;

// MIDI through the ALSA sequencer, the kernel's own MIDI router: no server.
// Moxel is one sequencer client, "Moxel", with a writable port "midi_in" and a
// readable port "midi_out"; a device is another client's port, named "client
// name:port name" as aconnect -l shows it. Choosing a device subscribes it to
// midi_in (or midi_out to it), as aconnect does, so the connections show in
// every patchbay. The relay runs on a thread of its own (AlsaRelayThread).
//
// Clients and ports that start, exit or change are reported through the
// device change callback (Moxel listens to the System Announce port). Without
// /dev/snd/seq there is no MIDI service: the backend says why (serviceProblem)
// and keeps alsa-lib's own error printing quiet, also while the window tries
// again.
//
// The sequencer handle is shared by two threads: the relay thread alone
// reads and writes events; the UI thread only asks the kernel about clients,
// ports and subscriptions (plain ioctls, which the kernel serialises).
class AlsaBackend final : public RelayBackend {
  public:
    explicit AlsaBackend(RelayShared& shared, const std::string& clientName = "Moxel");
    ~AlsaBackend() override;
    AlsaBackend(const AlsaBackend&) = delete;
    AlsaBackend& operator=(const AlsaBackend&) = delete;

    bool serviceAvailable() override { return seq_ != nullptr; }
    // Opens the sequencer if it could not be opened before (its module was
    // loaded since, or its device made readable).
    bool lookForService() override;

    // Moxel's client number and its ports' full names ("Moxel:midi_in"); -1
    // and empty without the sequencer.
    int clientId() const noexcept { return client_; }
    std::string inputPortName() const;
    std::string outputPortName() const;
    ServiceProblem serviceProblem() override { return problem_; }
    // Why there is no sequencer, in the system's words (empty when there is one).
    const std::string& error() const noexcept { return error_; }

  private:
    std::vector<DeviceCaps> list(Direction side) override;
    OpenResult connect(Direction side, int id, DeviceCaps& device) override;
    void disconnect(Direction side) override;
    bool connected(Direction side) override;
    void wakeRelay() override;

    bool open(const std::string& clientName);
    void close();
    // The subscription between another port and Moxel's port on that side
    // (from an input device to midi_in, from midi_out to an output device).
    void describe(snd_seq_port_subscribe_t* subscription, Direction side,
                  const snd_seq_addr_t& other) const;

    snd_seq_t* seq_ = nullptr;
    int client_ = -1;
    int inputPort_ = -1, outputPort_ = -1;
    std::string clientName_;
    std::string error_;
    ServiceProblem problem_ = ServiceProblem::None;
    NewsThread news_{newsCallbacks()};
    std::unique_ptr<AlsaRelayThread> thread_;
    // The port connected to Moxel's input, and the one its output is
    // subscribed to (by Direction).
    std::array<std::optional<snd_seq_addr_t>, 2> connectedTo_;
};

} // namespace moxel::midi
