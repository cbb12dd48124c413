#pragma once

#include <chrono>

namespace moxel {

// How often changes that wait for the settings file are tried again.
inline constexpr std::chrono::milliseconds kSettingsRetryInterval{100};
// How often a MIDI service that could not be reached is looked for.
inline constexpr std::chrono::milliseconds kServiceSearchInterval{1000};

// The UI thread's event loop as the presenter sees it: running and ending
// it, its timers, and the notes other threads leave for it. The Qt and the
// Win32 window implement it, and PollUiLoop does without any toolkit (Linux);
// every handler it runs is a MainWindowEvents handler, on the UI thread.
// Several notes of one kind before the UI thread gets to them make one call.
class UiLoop {
  public:
    virtual ~UiLoop() = default;

    // Handles the events that are waiting, then returns.
    virtual void processEvents() = 0;
    virtual void runEventLoop() = 0; // returns after quitEventLoop()
    virtual void quitEventLoop() = 0;
    // lampTick() runs every interval from now on; zero stops it.
    virtual void setLampTimer(std::chrono::milliseconds interval) = 0;
    // While active, serviceSearchTick() runs every kServiceSearchInterval.
    virtual void setServiceSearchActive(bool active) = 0;
    // While active, settingsRetryTick() runs every kSettingsRetryInterval.
    virtual void setSettingsRetryActive(bool active) = 0;
    // May be called from any thread: runs relayNews() on the UI thread.
    virtual void notifyRelayNews() = 0;
    // May be called from any thread: runs devicesChanged() on the UI thread.
    virtual void notifyDevicesChanged() = 0;
};

} // namespace moxel
