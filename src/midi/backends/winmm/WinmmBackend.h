#pragma once

// Windows only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/RelayBackend.h"
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
class WinmmBackend final : public RelayBackend {
  public:
    explicit WinmmBackend(RelayShared& shared, const WinmmApi& api = systemWinmm());
    ~WinmmBackend() override;
    WinmmBackend(const WinmmBackend&) = delete;
    WinmmBackend& operator=(const WinmmBackend&) = delete;

    void setActivityCallback(std::function<void()> callback) override;
    bool deviceConnected(MidiHandle handle) override;
    void setDeviceChangeCallback(std::function<void()> callback) override;

    // Lists the devices again; true (and the callback runs) when they differ
    // from the last listing or an open device's handle died.
    bool checkDevices();

  private:
    struct Listing {
        std::vector<DeviceCaps> inputs, outputs;
        bool operator==(const Listing& other) const;
    };

    std::vector<DeviceCaps> listInputs() override;
    std::vector<DeviceCaps> listOutputs() override;
    OpenResult connectInput(int id, DeviceCaps& device) override;
    void startInputDevice() override;
    void disconnectInput() override;
    OpenResult connectOutput(int id, DeviceCaps& device) override;
    void disconnectOutput() override;
    bool relayRunning() override { return true; }
    void wakeRelay() override { thread_.wake(); }

    const WinmmApi& api_;
    WinmmRelayThread thread_;
    SysexBuffers inputBuffers_;
    SysexBuffers outputBuffers_;
    HMIDIIN input_ = nullptr;
    HMIDIOUT output_ = nullptr;
    bool inputGone_ = false, outputGone_ = false;
    Listing listed_;
    std::function<void()> deviceChange_;
    std::unique_ptr<DeviceWatch> watch_;
};

} // namespace moxel
