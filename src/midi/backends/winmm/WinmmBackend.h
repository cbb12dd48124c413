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

namespace moxel::midi {

class DeviceWatch;

// MIDI through the Windows multimedia service (winmm). A device is one of its
// MIDI input or output devices, numbered as the service numbers them, named
// by its capability record. Opening a device another program holds gives
// "in use" (MMSYSERR_ALLOCATED). The relay runs on a thread of its own (see
// WinmmRelayThread); every member here is called on the UI thread.
//
// Devices that come and go are noticed: the system's device-change message
// (or any caller of checkDevices()) makes the backend list the devices again,
// and when the counts or names differ from the last listing it tells device
// news, on the UI thread. An open device whose name left the list,
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

    // Lists the devices again; true (and device news is told) when they
    // differ from the last listing or an open device's handle died.
    bool checkDevices();

  private:
    std::vector<DeviceCaps> list(Direction side) override;
    OpenResult connect(Direction side, int id, DeviceCaps& device) override;
    void disconnect(Direction side) override;
    bool connected(Direction side) override;
    void startInputDevice() override;
    void wakeRelay() override { thread_.wake(); }

    OpenResult connectInput(int id, DeviceCaps& device);
    void disconnectInput();
    OpenResult connectOutput(int id, DeviceCaps& device);
    void disconnectOutput();

    const WinmmApi& api_;
    WinmmRelayThread thread_;
    SysexBuffers inputBuffers_;
    SysexBuffers outputBuffers_;
    HMIDIIN input_ = nullptr;
    HMIDIOUT output_ = nullptr;
    bool inputGone_ = false, outputGone_ = false;
    std::unique_ptr<DeviceWatch> watch_;
};

} // namespace moxel::midi
