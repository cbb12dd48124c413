#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/MidiBackend.h"
#include "midi/NewsCallbacks.h"
#include "relay/Relay.h"

namespace moxel {
class RelayShared;
}

namespace moxel::midi {

// The part of every backend that is the same whatever the MIDI service:
// opening and closing in the right order, the reset, the release of a
// closed input's notes, keeping aside the notes of an output that went away
// and releasing them when a device of its name is opened again, and the UI's
// sending path, the UI's news callbacks. It owns the Relay that the backend's
// real-time context drives. A backend adds only what is its service's: its
// devices, how a device is connected and disconnected, its real-time context
// and when it has news (docs/design.md, "Adding a backend").
//
// The order of things, for every backend:
//   open an output:  the relay may send from the moment the connection is
//                    made (nothing that arrives once others can see the
//                    connection is dropped); an output of the name whose
//                    notes were kept aside first hears their release.
//   reset:           returns once the whole sequence has reached the device.
//   close an output: disconnected first; what still sounds is kept aside
//                    (a close without a reset means the device went away).
//   close an input:  disconnected, then a cycle passes (nothing of it is
//                    relayed any more), then its held notes are released.
class RelayBackend : public MidiBackend {
  public:
    RelayBackend(RelayShared& shared, Relay::Delivery delivery);
    ~RelayBackend() override;
    RelayBackend(const RelayBackend&) = delete;
    RelayBackend& operator=(const RelayBackend&) = delete;

    // Each takes a new look; a device id is a position in the last one.
    std::vector<DeviceCaps> inputs() final;
    std::vector<DeviceCaps> outputs() final;
    OpenResult openInput(int id, MidiHandle& handle) final;
    std::string openName(MidiHandle handle) final;
    void startInput(MidiHandle handle) final;
    void closeInput(MidiHandle handle) final;
    OpenResult openOutput(int id, MidiHandle& handle) final;
    void resetOutput(MidiHandle handle) final;
    void closeOutput(MidiHandle handle) final;
    bool sendShort(MidiHandle handle, std::uint32_t message) final;
    void setNewsCallback(News kind, std::function<void()> callback) final;
    // An open handle of an available service whose connection holds.
    bool deviceConnected(MidiHandle handle) final;

    // Relayed messages the output could not take.
    std::uint64_t lostEvents() const noexcept { return relay_.lostEvents(); }

  protected:
    // What every backend writes. Each is called on the UI thread.
    // The devices of that side as the service lists them now.
    virtual std::vector<DeviceCaps> list(Direction side) = 0;
    // Connects the device listed at that position to the relay; what the
    // service tells of the device meanwhile (its name now) goes into device.
    virtual OpenResult connect(Direction side, int id, DeviceCaps& device) = 0;
    // After it returns nothing of that side's device reaches or leaves the
    // relay any more.
    virtual void disconnect(Direction side) = 0;

    // What a backend may write; the defaults suit a service that has none.
    // The open device of that side is still the one connected (not gone, nor
    // replaced by another of its name); asked only while the service is
    // available (serviceAvailable(), which also says the real-time context runs).
    virtual bool connected(Direction /*side*/) { return true; }
    // The service's own start of an input.
    virtual void startInputDevice() {}
    // A context that waits for work runs a cycle soon.
    virtual void wakeRelay() {}
    // How long a wait for the relay may take before it gives up, so a stalled
    // service never hangs the window.
    virtual std::chrono::steady_clock::duration waitLimit() const {
        return std::chrono::seconds(2);
    }
    // The service went away (or stopped answering) while in use: waits end at once.
    virtual bool serviceGone() { return false; }

    Relay& relay() noexcept { return relay_; }
    RelayShared& shared() noexcept { return shared_; }
    // Tells the UI's callback, on the calling thread (see NewsCallbacks); a
    // real-time context that may not call out hands its news to a NewsThread
    // made with newsCallbacks().
    void tellNews(News kind) noexcept { news_->tell(kind); }
    const std::shared_ptr<NewsCallbacks>& newsCallbacks() const noexcept { return news_; }
    MidiHandle inputHandle() const noexcept { return input_.handle; }
    MidiHandle outputHandle() const noexcept { return output_.handle; }
    const std::string& inputName() const noexcept { return input_.name; }
    const std::string& outputName() const noexcept { return output_.name; }
    // The connection of that side's open device holds by now (not only asked for).
    bool settled(Direction side) const noexcept;
    // Takes a new look at both sides; true when either differs from the last
    // (by name, and whether it could be read).
    bool relist();

    // A wait ran out without a single cycle of the real-time context: it is
    // stalled (its service stopped, or hangs). Until a cycle runs again the
    // waits give up at once, so closing never waits for it twice.
    bool relayStalled() const noexcept {
        return stalledAt_ != 0 && relay_.cycles() + 1 == stalledAt_;
    }

    // Waits until a cycle that began after this call has ended: what the UI
    // asked for before has been seen, and a connection changed before is in
    // effect. False when the wait gave up.
    bool passCycles();
    // The real-time context stopped for good (its service went away): the
    // open devices are closed, and what sounded on the output is released
    // when a device of its name is opened again. Call with no context running.
    void relayStopped();

  private:
    struct Open {
        MidiHandle handle = 0;
        std::string name;
        std::uint64_t readyCycle = 0; // from this cycle on the connection holds
    };

    MidiHandle nextHandle() noexcept;
    static DeviceCaps atPosition(const std::vector<DeviceCaps>& listing, int id);
    bool waitFor(const std::function<bool()>& done);
    bool waitUntilOutputReady();

    RelayShared& shared_;
    Relay relay_;
    std::shared_ptr<NewsCallbacks> news_;
    std::vector<DeviceCaps> inputs_, outputs_; // the last listings
    Open input_, output_;
    MidiHandle lastHandle_ = 0;
    std::uint64_t stalledAt_ = 0; // the cycle count + 1 when a wait found no cycle; 0: none
    std::string lastOutput_;      // the output the relay's notes belong to
    std::string parkedFor_;       // the output whose notes are kept aside
};

} // namespace moxel::midi
