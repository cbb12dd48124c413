#include "midi/backends/winmm/DeviceWatch.h"

#include <dbt.h>
#include <utility>

namespace moxel::midi {

namespace {

constexpr wchar_t kClassName[] = L"MoxelDeviceWatch";
constexpr UINT_PTR kSettleTimer = 1;

void registerClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass); // fails harmlessly when registered before
}

} // namespace

DeviceWatch::DeviceWatch(std::function<void()> changed) : changed_(std::move(changed)) {
    registerClass(&DeviceWatch::windowProc);
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"Moxel device watch", WS_POPUP, 0, 0,
                              0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
}

DeviceWatch::~DeviceWatch() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK DeviceWatch::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<DeviceWatch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_DEVICECHANGE &&
        (wParam == DBT_DEVNODES_CHANGED || wParam == DBT_DEVICEARRIVAL ||
         wParam == DBT_DEVICEREMOVECOMPLETE)) {
        SetTimer(window, kSettleTimer, kSettleMs, nullptr); // a new change restarts it
        return TRUE;
    }
    if (self != nullptr && message == WM_TIMER && wParam == kSettleTimer) {
        KillTimer(window, kSettleTimer);
        self->changed_();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace moxel::midi
