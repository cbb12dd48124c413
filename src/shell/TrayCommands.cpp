// Minimising into the notification area, coming back, and the pop-up menu.
#include "app/FrmMIDIMain.h"

namespace moxel {

void FrmMIDIMain::Form_Resize() {
    if (view_.windowState() == WindowState::Minimized) {
        // Without a notification area a hidden window could never come back:
        // then it stays an ordinary minimised window.
        if (view_.trayAvailable()) {
            view_.showTrayIcon("Moxel Ver" + versionText());
            view_.hideWindow();
        }
        return;
    }
    if (lngWindowTopMost_ == 1) {
        view_.setTopMost(true);
    }
    view_.removeTrayIcon();
}

void FrmMIDIMain::trayIconPressed(TrayPress press) {
    if (press == TrayPress::Left) {
        view_.restoreWindow();
    } else {
        view_.popupMenu(false);
    }
}

void FrmMIDIMain::Form_MouseDown(MouseButton button) {
    if (button == MouseButton::Right) {
        view_.popupMenu(true);
    }
}

} // namespace moxel
