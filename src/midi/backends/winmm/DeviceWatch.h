#pragma once

// Windows only.

#include <functional>

#include <windows.h>

namespace moxel::midi {

// Hears the system's device-change message and, once the devices have
// settled, runs the handler on the UI thread. Windows sends the message to
// top-level windows only (not to message-only ones), so this is a hidden
// top-level window that is never shown. Changes within kSettleMs of each
// other make one call.
class DeviceWatch {
  public:
    static constexpr UINT kSettleMs = 300;

    explicit DeviceWatch(std::function<void()> changed);
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    HWND window() const noexcept { return window_; }

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::function<void()> changed_;
    HWND window_ = nullptr;
};

} // namespace moxel::midi
