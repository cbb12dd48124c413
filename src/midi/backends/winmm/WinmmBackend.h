#pragma once

// Windows only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/MidiBackend.h"
#include "midi/backends/winmm/SysexBuffers.h"
#include "midi/backends/winmm/WinmmApi.h"
#include "midi/backends/winmm/WinmmRelayThread.h"

namespace moxel {

class DeviceWatch;

// MIDI through the Windows multimedia service (winmm). A device is one of its
// MIDI input or output devices, numbered as the service numbers them, named
// by its capability record. Opening a device another program holds gives
// "in use" (MMSYSERR_ALLOCATED). The relay runs on a thread of its own (see
// WinmmRelayThread); every member here is called on the UI thread.
//
// Devices that come and go are noticed: the system's device-change message
// (or any caller of checkDevices()) makes the backend list the devices again,
// and when the counts or names differ from the last listing the device-change
// callback runs, on the UI thread. An open device whose name left the list,
// or whose handle no longer answers, is gone for good, even if a device of
// that name is back: its handle is dead.
// An output closed without a reset (it went away) keeps the notes sounding on
// it aside, and opening an output of its name releases them there first.
// The multimedia service is part of the system: always there.
class WinmmBackend final : public MidiBackend {
  public:
    explicit WinmmBackend(RelayShared& shared, const WinmmApi& api = systemWinmm());
    ~WinmmBackend() override;
    WinmmBackend(const WinmmBackend&) = delete;
    WinmmBackend& operator=(const WinmmBackend&) = delete;

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

    bool deviceConnected(MidiHandle handle) override;
    void setDeviceChangeCallback(std::function<void()> callback) override;
    bool serviceAvailable() override { return true; }
    bool connectService() override { return true; }

    // Lists the devices again; true (and the callback runs) when they differ
    // from the last listing or an open device's handle died.
    bool checkDevices();

    // Messages that did not fit into a ring or a SysEx buffer and were dropped.
    std::uint64_t lostEvents() const noexcept { return relay_.lostEvents(); }

  private:
    struct Listing {
        std::vector<DeviceCaps> inputs, outputs;
        bool operator==(const Listing& other) const;
    };
    Listing list() const;
    MidiHandle nextHandle() noexcept;

    const WinmmApi& api_;
    RelayShared& shared_;
    WinmmRelayThread relay_;
    SysexBuffers inputBuffers_;
    SysexBuffers outputBuffers_;
    HMIDIIN input_ = nullptr;
    HMIDIOUT output_ = nullptr;
    MidiHandle inputHandle_ = 0;
    MidiHandle outputHandle_ = 0;
    MidiHandle lastHandle_ = 0;
    std::string inputName_, outputName_; // of the open devices
    bool inputGone_ = false, outputGone_ = false;
    std::string parkedName_; // the output whose notes the relay keeps aside
    Listing listed_;
    std::function<void()> deviceChange_;
    std::unique_ptr<DeviceWatch> watch_;
};

} // namespace moxel
