#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <jack/jack.h>

#include "midi/RelayBackend.h"
#include "midi/backends/jack/JackPorts.h"
#include "midi/backends/jack/JackServerCalls.h"

namespace moxel::midi {

class JackRelayProcess;

// MIDI through a JACK server. Moxel is one JACK client with one MIDI input
// port and one MIDI output port; a device is another client's MIDI port
// (input devices are their output ports, output devices their input ports),
// named by its full port name. Opening a device connects it to Moxel's port,
// closing disconnects it. The relay runs in the JACK process thread:
// each event leaves in the cycle and at the frame offset it arrived with.
//
// Without a reachable server there is no MIDI service (no devices); every
// listing tries to reach the server again (as does lookForService), so a
// server that starts, or comes back after it went away, is found. Ports that
// register, unregister or change their name, and the server going away, are
// reported through the device change callback.
//
// The calls that wait for the server's answer go through JackServerCalls: a
// server that stops answering (stopped, hung) holds up the window for at most
// a second, after which every wait gives up at once, and the program still
// ends at once, leaving a client it cannot close to the server.
class JackBackend final : public RelayBackend {
  public:
    explicit JackBackend(RelayShared& shared, std::string clientName = "moxel");
    ~JackBackend() override;
    JackBackend(const JackBackend&) = delete;
    JackBackend& operator=(const JackBackend&) = delete;

    // True while a client is open on a live server.
    bool serviceAvailable() override;
    // Opens a client on the server, if none is open and one runs.
    bool lookForService() override;

    // The client's name as JACK gave it (JACK renames a taken name), and the
    // full names of Moxel's two ports; empty without a client.
    const std::string& clientName() const noexcept { return actualName_; }
    const std::string& inputPortName() const noexcept { return inputPortName_; }
    const std::string& outputPortName() const noexcept { return outputPortName_; }
    // Keeps libjack from printing its own messages (for instance one set of
    // "cannot connect" lines at every device search while no server runs).
    static void quietLibraryMessages() noexcept;

    // True on Moxel's JACK process thread, while it runs a cycle.
    static bool inProcessCallback() noexcept;

  private:
    std::vector<DeviceCaps> list(Direction side) override;
    OpenResult connect(Direction side, int id, DeviceCaps& device) override;
    void disconnect(Direction side) override;
    bool connected(Direction side) override;
    std::chrono::steady_clock::duration waitLimit() const override;
    bool serviceGone() override;

    bool ensureClient();
    bool liveClient();
    // Closes the client of a server that went away once libjack's own
    // threads for it are done; true when it is closed.
    bool dropDeadClient(bool wait);
    bool openClient();
    void closeClient();
    // Through the server calls; false when they could not be made in time.
    bool connectPorts(const std::string& from, const std::string& to);
    void disconnectPorts(std::string from, std::string to);
    static void onProcessThreadStart(void* arg);
    static void onShutdown(jack_status_t code, const char* reason, void* arg) noexcept;
    static void onPortRegistration(jack_port_id_t port, int registered, void* arg) noexcept;
    static void onPortRename(jack_port_id_t port, const char* oldName, const char* newName,
                             void* arg) noexcept;

    struct Hooks;

    JackServerCalls calls_; // first in, last out: its thread may hold what follows
    std::string requestedName_;
    std::shared_ptr<Hooks> hooks_; // what JACK's threads reach through the callbacks
    // When this thread first saw that the server went away; empty otherwise.
    std::optional<std::chrono::steady_clock::time_point> goneSeen_;

    jack_client_t* client_ = nullptr;
    jack_port_t* inputPort_ = nullptr;
    jack_port_t* outputPort_ = nullptr;
    std::shared_ptr<JackRelayProcess> process_;
    std::string actualName_;
    std::string inputPortName_;
    std::string outputPortName_;
    std::chrono::microseconds cycleTime_{0};
    // The port connected to Moxel's input, and the one its output is
    // connected to (by Direction); "" when none.
    std::array<std::string, 2> connectedTo_;
};

} // namespace moxel::midi
