#pragma once

// Windows only.

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include <windows.h>

#include <commctrl.h>

#include "app/win32/Win32Annotations.h"
#include "app/win32/Win32Fonts.h"
#include "app/win32/Win32PopupMenu.h"
#include "app/win32/Win32TrayIcon.h"
#include "app/window/InstanceRequest.h"
#include "app/window/MainView.h"
#include "app/window/MainWindowEvents.h"
#include "app/window/NotificationArea.h"
#include "app/window/UiLoop.h"
#include "app/window/WindowKeys.h"
#include "app/window/WindowLayout.h"

namespace moxel {

// Moxel's main window, drawn with the Windows controls: the controls of the
// window layout on a black background at the monitor's DPI, the pop-up menu,
// the notification-area icon and the boxes; its event loop is the UI
// thread's message loop. It decides nothing: it shows what the presenter
// asks for and passes every user action to the MainWindowEvents handlers, on
// the UI thread, the window's keys too (WindowKeys.h).
class Win32MainView final : public MainView, public NotificationArea, public UiLoop {
  public:
    Win32MainView();
    ~Win32MainView() override;
    Win32MainView(const Win32MainView&) = delete;
    Win32MainView& operator=(const Win32MainView&) = delete;

    // The handlers to call; null calls nothing.
    void setEvents(MainWindowEvents* events) { events_ = events; }
    void show();

    HWND window() const { return window_; }
    // The control of that name in the window layout, or nullptr.
    HWND control(std::string_view name) const;
    Win32PopupMenu& menu() { return menu_; }
    UINT dpi() const { return dpi_; }

    void clearList(ListId list) override;
    void addListItem(ListId list, const std::string& text) override;
    void setListItem(ListId list, int position, const std::string& text) override;
    void selectIndex(ListId list, int position) override;

    void setCaption(LabelId label, const std::string& text) override;
    void setLampColor(LampId lamp, Rgb color) override;
    void setChecked(CheckItem item, bool checked) override;

    void messageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    std::optional<std::string> inputBox(const std::string& prompt,
                                        const std::string& title) override;
    void popupMenu(bool eitherButtonChooses, MenuPlace place) override;

    void setTopMost(bool topMost) override;
    void restoreWindow() override;
    void hideWindow() override;
    void requestClose() override;

    bool trayAvailable() const override;
    void showTrayIcon(const std::string& tip) override;
    void removeTrayIcon() override;

    void processEvents() override;
    void runEventLoop() override;
    void quitEventLoop() override;
    void setLampTimer(std::chrono::milliseconds interval) override;
    void notifyRelayNews() override;
    void notifyDevicesChanged() override;
    void setServiceSearchActive(bool active) override;
    void setSettingsRetryActive(bool active) override;

    // What the window shows (the tip of a device list shows its entry
    // whole): the presenter never reads it back.
    std::string listItem(ListId list, int position) const; // "" when there is none
    int listCount(ListId list) const;
    int selectedIndex(ListId list) const; // -1: nothing selected
    WindowState windowState() const;

    // The window class, by which a second start finds the running window.
    static constexpr wchar_t kWindowClass[] = L"MoxelMainWindow";
    // The message a second start posts to the running window: show yourself.
    static UINT showRequestMessage();
    // Another start's request (--panic, --program N), sent as WM_COPYDATA
    // with this tag: the line InstanceRequest.h writes, without its newline.
    // The running window answers 1 once it carried it out, else 0.
    static constexpr ULONG_PTR kRequestTag = 0x4D6F786C; // "Moxl"
    // Carries out another start's request. None: every request is refused.
    void setRequestHandler(std::function<void(const InstanceRequest&)> handler) {
        requests_ = std::move(handler);
    }

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool handleMouseOrKey(UINT message, WPARAM wParam);
    bool handleWindowState(UINT message, WPARAM wParam, LPARAM lParam);
    bool handleNotification(UINT message, WPARAM wParam, LPARAM lParam);
    void handleCommand(WPARAM wParam);
    void listChosen(ListId list);
    bool dispatch(MSG& message);
    bool windowKey(const MSG& message);

    void createControls();
    void layout(UINT dpi);
    void fitToCaptions();
    void fitWindow(int clientWidth);
    HWND list(ListId list) const;
    void fitOpenList(HWND list);
    void addListTips();
    bool tipText(LPARAM lParam);
    HWND controlAt(std::size_t index) const { return controls_[index]; }

    MainWindowEvents* events_ = nullptr;
    std::function<void(const InstanceRequest&)> requests_;
    WindowKeys keys_;
    HWND window_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::array<HWND, 16> controls_{}; // in the layout table's order
    std::unique_ptr<Win32Fonts> fonts_;
    Win32Annotations annotations_;
    std::array<bool, 2> lampLit_{}; // by LampId
    Win32PopupMenu menu_;
    std::unique_ptr<Win32TrayIcon> tray_;
    HWND tips_ = nullptr;
    std::wstring tip_; // the text the tip shows now
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    std::array<bool, 4> choicePending_{}; // by ListId
    std::array<bool, 4> dropped_{};       // by ListId
    bool shownBefore_ = false;
    bool quitRequested_ = false;
    std::atomic<bool> relayNotePending_{false};
    std::atomic<bool> devicesNotePending_{false};
};

} // namespace moxel
