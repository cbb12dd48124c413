#include "app/presenter/TrayController.h"

#include "app/presenter/DeviceController.h"
#include "app/presenter/PreferencesController.h"
#include "app/presenter/Version.h"
#include "app/window/Texts.h"

namespace moxel {

TrayController::TrayController(MainView& view, NotificationArea& tray,
                               const PreferencesController& preferences,
                               const DeviceController& devices)
    : view_(view), tray_(tray), preferences_(preferences), devices_(devices) {}

std::string TrayController::tip() const {
    std::string tipText = "Moxel Ver" + versionText();
    for (const std::string& name : devices_.absentDevices()) {
        tipText += "\n" + text(Text::NotConnectedTip, name);
    }
    return tipText;
}

void TrayController::refreshTip() {
    if (inTray_) {
        tray_.showTrayIcon(tip());
    }
}

void TrayController::windowResized(WindowState state) {
    if (state == WindowState::Minimized) {
        // Without a notification area a hidden window could never come back:
        // then it stays an ordinary minimised window.
        if (tray_.trayAvailable()) {
            tray_.showTrayIcon(tip());
            view_.hideWindow();
            inTray_ = true;
        }
        return;
    }
    inTray_ = false;
    if (preferences_.windowTopMost() == 1) {
        view_.setTopMost(true);
    }
    tray_.removeTrayIcon();
}

void TrayController::iconPressed(TrayPress press) {
    if (press == TrayPress::Left) {
        view_.restoreWindow();
    } else {
        view_.popupMenu(false, MenuPlace::Pointer); // only the left button chooses
    }
}

void TrayController::backgroundPressed(MouseButton button) {
    if (button == MouseButton::Right) {
        view_.popupMenu(true, MenuPlace::Pointer); // either button chooses
    }
}

void TrayController::menuKeyPressed() {
    view_.popupMenu(true, MenuPlace::FocusedControl);
}

} // namespace moxel
