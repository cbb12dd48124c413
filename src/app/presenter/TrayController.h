#pragma once

#include "app/window/MainView.h"
#include "app/window/MainWindowEvents.h"
#include "app/window/NotificationArea.h"

#include <string>

namespace moxel {

class DeviceController;
class PreferencesController;

// Minimising into the notification area and coming back, and the pop-up
// menu from the icon and from the window's background.
class TrayController {
  public:
    TrayController(MainView& view, NotificationArea& tray, const PreferencesController& preferences,
                   const DeviceController& devices);

    // The window's size or state changed: minimised, it hides behind its
    // icon; otherwise the icon goes and the window is on top again when the
    // option holds 1.
    void windowResized(WindowState state);
    void iconPressed(TrayPress press);
    void backgroundPressed(MouseButton button);
    // The keyboard's menu key: the menu opens as for a right press on the
    // background, at the control that has the focus.
    void menuKeyPressed();
    // The icon's tip names the wanted devices that are not connected; shown
    // anew when that changes while the window is in the tray.
    void refreshTip();

  private:
    std::string tip() const;

    MainView& view_;
    NotificationArea& tray_;
    const PreferencesController& preferences_;
    const DeviceController& devices_;
    bool inTray_ = false;
};

} // namespace moxel
