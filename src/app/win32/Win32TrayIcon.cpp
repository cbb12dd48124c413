#include "app/win32/Win32TrayIcon.h"

#include <shellapi.h>

namespace moxel {

Win32TrayIcon::Win32TrayIcon(HWND window, HICON icon)
    : taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {
    data_.cbSize = sizeof data_;
    data_.hWnd = window;
    data_.uID = 1;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = kTrayMessage;
    data_.hIcon = icon;
}

bool Win32TrayIcon::available() {
    return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

void Win32TrayIcon::show(const std::wstring& tip) {
    lstrcpynW(data_.szTip, tip.c_str(), static_cast<int>(std::size(data_.szTip)));
    Shell_NotifyIconW(shown_ ? NIM_MODIFY : NIM_ADD, &data_);
    shown_ = true;
}

void Win32TrayIcon::remove() {
    if (shown_) {
        Shell_NotifyIconW(NIM_DELETE, &data_);
        shown_ = false;
    }
}

bool Win32TrayIcon::handleTaskbarCreated(UINT message) {
    if (message != taskbarCreated_) {
        return false;
    }
    if (shown_) {
        Shell_NotifyIconW(NIM_ADD, &data_);
    }
    return true;
}

} // namespace moxel
