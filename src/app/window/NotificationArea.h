#pragma once

#include <string>

namespace moxel {

// The window's icon in the desktop's notification area (the tray). The Qt
// and the Win32 window implement it; a press on the icon reaches the
// presenter as MainWindowEvents::trayIconPressed.
class NotificationArea {
  public:
    virtual ~NotificationArea() = default;

    // False when the desktop has no notification area.
    virtual bool trayAvailable() const = 0;
    // Shows the icon (or, when it shows, changes its tip). Texts are UTF-8.
    virtual void showTrayIcon(const std::string& tip) = 0;
    virtual void removeTrayIcon() = 0;
};

} // namespace moxel
