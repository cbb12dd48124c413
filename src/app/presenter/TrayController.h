#pragma once

#include "app/window/MainView.h"
#include "app/window/MainWindowEvents.h"

namespace moxel {

class PreferencesController;

// Minimising into the notification area and coming back, and the pop-up
// menu from the icon and from the window's background.
class TrayController {
  public:
    TrayController(MainView& view, const PreferencesController& preferences);

    // The window's size or state changed: minimised, it hides behind its
    // icon; otherwise the icon goes and the window is on top again when the
    // option holds 1.
    void windowResized();
    void iconPressed(TrayPress press);
    void backgroundPressed(MouseButton button);

  private:
    MainView& view_;
    const PreferencesController& preferences_;
};

} // namespace moxel
