#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <jack/jack.h>

#include "midi/MidiBackend.h"
#include "midi/backends/jack/ActivityNotifier.h"
#include "relay/NoteTracker.h"

namespace moxel {

class JackRelayProcess;

// MIDI through a JACK server. Moxel is one JACK client with one MIDI input
// port and one MIDI output port; a device is another client's MIDI port
// (input devices are their output ports, output devices their input ports),
// named by its full port name. Opening a device connects it to Moxel's port,
// closing disconnects it. Closing returns once the change is in effect, and
// the UI's messages to an output just opened wait until its connection is. The relay runs inside
// the JACK process callback: each event leaves in the cycle and at the frame offset it arrived
// with.
//
// Without a reachable server there is no MIDI service (no devices); every
// enumeration tries to reach the server again (as does connectService), so a
// server that starts, or comes back after it went away, is found. Ports that
// register, unregister or change their name, and the server going away, are
// reported through the device change callback.
class JackBackend final : public MidiBackend {
  public:
    explicit JackBackend(RelayShared& shared, std::string clientName = "moxel");
    ~JackBackend() override;
    JackBackend(const JackBackend&) = delete;
    JackBackend& operator=(const JackBackend&) = delete;

    int inputCount() override;
    DeviceCaps inputCaps(int id) override;
    int outputCount() override;
    DeviceCaps outputCaps(int id) override;

    OpenResult openInput(int id, MidiHandle& handle) override;
    void startInput(MidiHandle handle) override;
    void closeInput(MidiHandle handle) override;

    OpenResult openOutput(int id, MidiHandle& handle) override;
    void resetOutput(MidiHandle handle) override;
    void closeOutput(MidiHandle handle) override;

    bool sendShort(MidiHandle handle, std::uint32_t message) override;
    void setActivityCallback(std::function<void()> callback) override;
    void setDeviceChangeCallback(std::function<void()> callback) override;
    bool deviceConnected(MidiHandle handle) override;
    // True while a client is open on a live server.
    bool serviceAvailable() override;
    // Opens a client on the server, if none is open and one runs.
    bool connectService() override;

    bool available() { return serviceAvailable(); }
    // The client's name as JACK gave it (JACK renames a taken name), and the
    // full names of Moxel's two ports; empty without a client.
    const std::string& clientName() const noexcept { return actualName_; }
    const std::string& inputPortName() const noexcept { return inputPortName_; }
    const std::string& outputPortName() const noexcept { return outputPortName_; }
    // Events that did not fit into the output buffer and were dropped.
    std::uint64_t lostEvents() const noexcept {
        return lostEvents_.load(std::memory_order_relaxed);
    }
    // Keeps libjack from printing its own messages (for instance one set of
    // "cannot connect" lines at every device search while no server runs).
    static void quietLibraryMessages() noexcept;

    // True on the thread that is running Moxel's process callback, inside it.
    static bool inProcessCallback() noexcept;

  private:
    struct Connection {
        MidiHandle handle = 0;
        std::string port;             // the other client's port
        std::uint64_t readyCycle = 0; // the cycle from which the graph holds the connection
    };

    bool ensureClient();
    bool liveClient();
    // Closes the client of a server that went away once libjack's own
    // threads for it are done; true when it is closed.
    bool dropDeadClient(bool wait);
    bool openClient();
    void closeClient();
    static void onProcessThreadStart(void* arg);
    static void onShutdown(jack_status_t code, const char* reason, void* arg) noexcept;
    static void onPortRegistration(jack_port_id_t port, int registered, void* arg) noexcept;
    static void onPortRename(jack_port_id_t port, const char* oldName, const char* newName,
                             void* arg) noexcept;

    MidiHandle nextHandle() noexcept;
    std::chrono::steady_clock::duration waitLimit() const;
    // Polls until pred holds, the deadline passes or the server goes away.
    bool waitFor(const std::function<bool()>& pred);
    // Return once a connection made or removed just now is in effect (the
    // second for the output's connection made by openOutput).
    bool waitUntilGraphUpdated();
    bool waitUntilOutputConnected();

    RelayShared& shared_;
    std::string requestedName_;
    ActivityNotifier notifier_;
    std::atomic<std::uint64_t> lostEvents_{0};
    std::atomic<bool> serverGone_{false}; // set by JACK's shutdown callback
    // When this thread first saw that the server went away; empty otherwise.
    std::optional<std::chrono::steady_clock::time_point> goneSeen_;

    jack_client_t* client_ = nullptr;
    jack_port_t* inputPort_ = nullptr;
    jack_port_t* outputPort_ = nullptr;
    std::unique_ptr<JackRelayProcess> process_;
    std::string actualName_;
    std::string inputPortName_;
    std::string outputPortName_;
    std::chrono::microseconds cycleTime_{0};

    std::vector<std::string> sources_;      // snapshot of the input devices
    std::vector<std::string> destinations_; // snapshot of the output devices
    Connection input_;
    Connection output_;
    MidiHandle lastHandle_ = 0;
    // The notes that sounded on an output when it went away, and its port:
    // released when a port of that name is opened again.
    NoteTracker parked_;
    std::string parkedPort_;
    std::string lastOutputPort_; // the output the relay's notes belong to
};

} // namespace moxel
