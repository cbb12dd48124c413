#include "app/win32/Win32MainView.h"

#include <algorithm>
#include <utility>

#include "app/win32/CaptionControls.h"
#include "app/win32/Win32InputBox.h"
#include "app/win32/Win32MainViewIds.h"
#include "app/window/MenuCommands.h"
#include "app/window/SpokenTexts.h"
#include "encoding/Utf16.h"

namespace moxel {

namespace {

constexpr wchar_t kApplicationTitle[] = L"Moxel";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

constexpr std::string_view kListNames[] = {"CmbMidiIn", "CmbMidiOut", "CmbMidiCh", "CmbBeatPer"};
constexpr std::string_view kLabelNames[] = {"LblTempoVal", "LblPatch"};
constexpr std::string_view kLampNames[] = {"LblMidiIn", "LblMidiOut"};

// The program's icon (resource 1) where the program has one, else the
// system's application icon.
HICON loadIcon(int size) {
    auto* icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
    return icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

void registerWindowClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = Win32MainView::kWindowClass;
    RegisterClassExW(&windowClass); // fails harmlessly when registered before
}

std::wstring textOf(HWND list, int position) {
    const auto length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(position), 0);
    if (length == CB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(position),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

} // namespace

Win32MainView::Win32MainView() {
    registerWindowClass(&Win32MainView::windowProc);
    window_ =
        CreateWindowExW(0, kWindowClass, kApplicationTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0,
                        0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    createControls();
    layout(GetDpiForWindow(window_));
    const auto entries = windowControls();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        annotations_.speak(controls_[i], std::string(entries[i].name),
                           std::string(entries[i].caption));
    }
    bigIcon_ = loadIcon(GetSystemMetricsForDpi(SM_CXICON, dpi_));
    smallIcon_ = loadIcon(GetSystemMetricsForDpi(SM_CXSMICON, dpi_));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    tray_ = std::make_unique<Win32TrayIcon>(window_, smallIcon_);
    SetFocus(control("CmbMidiIn"));
}

Win32MainView::~Win32MainView() {
    tray_.reset();
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void Win32MainView::show() {
    ShowWindow(window_, SW_SHOW);
    SetFocus(control("CmbMidiIn"));
}

HWND Win32MainView::control(std::string_view name) const {
    const auto entries = windowControls();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].name == name) {
            return controls_[i];
        }
    }
    return nullptr;
}

HWND Win32MainView::list(ListId id) const {
    return control(kListNames[static_cast<int>(id)]);
}

void Win32MainView::clearList(ListId id) {
    SendMessageW(list(id), CB_RESETCONTENT, 0, 0);
}

void Win32MainView::addListItem(ListId id, const std::string& text) {
    SendMessageW(list(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wideFromUtf8(text).c_str()));
    fitOpenList(list(id));
}

// An open list is as wide as its longest entry (and never narrower than the
// closed one), so long device names show whole.
void Win32MainView::fitOpenList(HWND box) {
    HDC context = GetDC(box);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(context, font);
    int widest = 0;
    const auto count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const std::wstring entry = textOf(box, i);
        SIZE size{};
        GetTextExtentPoint32W(context, entry.c_str(), static_cast<int>(entry.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    SelectObject(context, previous);
    ReleaseDC(box, context);
    const int room =
        GetSystemMetricsForDpi(SM_CXVSCROLL, dpi_) + MulDiv(8, static_cast<int>(dpi_), 96);
    const int width = widest + room;
    SendMessageW(box, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
}

int Win32MainView::listCount(ListId id) const {
    return static_cast<int>(SendMessageW(list(id), CB_GETCOUNT, 0, 0));
}

std::string Win32MainView::listItem(ListId id, int position) const {
    return utf8FromWide(textOf(list(id), position)); // empty outside the list
}

void Win32MainView::setListItem(ListId id, int position, const std::string& text) {
    if (position < 0 || position >= listCount(id)) {
        return;
    }
    const bool selected = selectedIndex(id) == position;
    SendMessageW(list(id), CB_DELETESTRING, static_cast<WPARAM>(position), 0);
    SendMessageW(list(id), CB_INSERTSTRING, static_cast<WPARAM>(position),
                 reinterpret_cast<LPARAM>(wideFromUtf8(text).c_str()));
    fitOpenList(list(id));
    if (selected) {
        selectIndex(id, position);
    }
}

int Win32MainView::selectedIndex(ListId id) const {
    const auto selected = SendMessageW(list(id), CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

void Win32MainView::selectIndex(ListId id, int position) {
    if (position >= -1 && position < listCount(id)) {
        SendMessageW(list(id), CB_SETCURSEL, static_cast<WPARAM>(position), 0); // no notification
    }
}

void Win32MainView::setCaption(LabelId label, const std::string& text) {
    const auto name = kLabelNames[static_cast<int>(label)];
    SetWindowTextW(control(name), wideFromUtf8(text).c_str());
    annotations_.speak(control(name), std::string(name), text);
    fitToCaptions();
}

// A lamp is lit while it shows any colour but its idle white; a screen
// reader is told when that changes.
void Win32MainView::setLampColor(LampId lamp, Rgb color) {
    const HWND label = control(kLampNames[static_cast<int>(lamp)]);
    SendMessageW(label, kSetTextColor, RGB(color.red, color.green, color.blue), 0);
    const bool lit = color != whiteText;
    if (std::exchange(lampLit_[static_cast<int>(lamp)], lit) != lit) {
        annotations_.describe(label, std::string(spokenLampState(lit)));
    }
}

void Win32MainView::setChecked(CheckItem item, bool checked) {
    const CheckedMenuItem menuItem = menuItemOf(item);
    menu_.setChecked(menuItem.name, menuItem.index, checked);
}

void Win32MainView::messageBox(const std::string& text, const std::string& title,
                               MessageIcon icon) {
    MessageBoxW(window_, wideFromUtf8(text).c_str(),
                title.empty() ? kApplicationTitle : wideFromUtf8(title).c_str(),
                MB_OK | (icon == MessageIcon::Information ? MB_ICONINFORMATION : 0));
    keys_.closed(GetTickCount());
}

std::optional<std::string> Win32MainView::inputBox(const std::string& prompt,
                                                   const std::string& title) {
    auto answer = win32InputBox(window_, prompt, title.empty() ? "Moxel" : title, fonts_->face());
    keys_.closed(GetTickCount());
    return answer;
}

// From the keyboard the menu opens below the focused control (at the
// window's corner when no control has the focus).
void Win32MainView::popupMenu(bool eitherButtonChooses, MenuPlace place) {
    std::optional<POINT> at;
    if (place == MenuPlace::FocusedControl) {
        const HWND focused = GetFocus();
        RECT box{};
        if (focused != nullptr && IsChild(window_, focused) != FALSE) {
            GetWindowRect(focused, &box);
            at = POINT{box.left, box.bottom};
        } else {
            POINT corner{};
            ClientToScreen(window_, &corner);
            at = corner;
        }
    }
    const auto chosen = menu_.track(window_, eitherButtonChooses, at);
    keys_.closed(GetTickCount());
    if (chosen && events_ != nullptr) {
        runMenuCommand(*events_, chosen->name, chosen->index);
    }
}

void Win32MainView::setTopMost(bool topMost) {
    SetWindowPos(window_, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

WindowState Win32MainView::windowState() const {
    if (IsIconic(window_) != 0) {
        return WindowState::Minimized;
    }
    return IsZoomed(window_) != 0 ? WindowState::Maximized : WindowState::Normal;
}

void Win32MainView::restoreWindow() {
    ShowWindow(window_, SW_RESTORE);
    SetForegroundWindow(window_);
}

void Win32MainView::hideWindow() {
    ShowWindow(window_, SW_HIDE);
}

void Win32MainView::requestClose() {
    if (window_ != nullptr) {
        SendMessageW(window_, WM_CLOSE, 0, 0);
    }
}

bool Win32MainView::trayAvailable() const {
    return Win32TrayIcon::available();
}

void Win32MainView::showTrayIcon(const std::string& tip) {
    tray_->show(wideFromUtf8(tip));
}

void Win32MainView::removeTrayIcon() {
    tray_->remove();
}

void Win32MainView::setLampTimer(std::chrono::milliseconds interval) {
    if (interval.count() > 0) {
        SetTimer(window_, kLampTimer, static_cast<UINT>(interval.count()), nullptr);
    } else {
        KillTimer(window_, kLampTimer);
    }
}

// Any thread, as the relay's news.
void Win32MainView::notifyDevicesChanged() {
    if (!devicesNotePending_.exchange(true)) {
        PostMessageW(window_, kDevicesMessage, 0, 0);
    }
}

void Win32MainView::setServiceSearchActive(bool active) {
    if (active) {
        SetTimer(window_, kServiceSearchTimer, static_cast<UINT>(kServiceSearchInterval.count()),
                 nullptr);
    } else {
        KillTimer(window_, kServiceSearchTimer);
    }
}

void Win32MainView::setSettingsRetryActive(bool active) {
    if (active) {
        SetTimer(window_, kSettingsRetryTimer, static_cast<UINT>(kSettingsRetryInterval.count()),
                 nullptr);
    } else {
        KillTimer(window_, kSettingsRetryTimer);
    }
}

UINT Win32MainView::showRequestMessage() {
    static const UINT message = RegisterWindowMessageW(L"Moxel.ShowWindow");
    return message;
}

// Any thread. Several notes before the UI thread gets round to them make one
// message: the handler collects everything the relay left.
void Win32MainView::notifyRelayNews() {
    if (!relayNotePending_.exchange(true)) {
        PostMessageW(window_, kRelayMessage, 0, 0);
    }
}

} // namespace moxel
