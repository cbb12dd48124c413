#pragma once

// Windows only.

#include <string>

#include <windows.h>

#include <shellapi.h>

namespace moxel {

// The window's icon in the notification area. Presses on it reach the window
// as kTrayMessage with the mouse message (WM_LBUTTONDOWN, ...) in lParam.
// When Explorer starts again (after a crash) the icon is added again.
class Win32TrayIcon {
  public:
    static constexpr UINT kTrayMessage = WM_APP + 1;

    Win32TrayIcon(HWND window, HICON icon);
    ~Win32TrayIcon() { remove(); }
    Win32TrayIcon(const Win32TrayIcon&) = delete;
    Win32TrayIcon& operator=(const Win32TrayIcon&) = delete;

    // True when there is a notification area to put the icon in.
    static bool available();

    void show(const std::wstring& tip);
    void remove();
    bool shown() const { return shown_; }
    // Call for every window message: true when it was Explorer's restart.
    bool handleTaskbarCreated(UINT message);

  private:
    NOTIFYICONDATAW data_{};
    UINT taskbarCreated_;
    bool shown_ = false;
};

} // namespace moxel
