// Win32MainView: the window's messages, turned into the MainWindowEvents
// handlers, and the event loop.
#include "app/win32/CaptionControls.h"
#include "app/win32/Win32MainView.h"
#include "app/win32/Win32MainViewIds.h"
#include "app/window/SpokenTexts.h"
#include "app/window/WindowKeys.h"
#include "encoding/Utf16.h"

#include <optional>

#include <windowsx.h> // after windows.h

namespace moxel {

namespace {

bool isKeypadStep(UINT message, WPARAM key) {
    return message == WM_KEYDOWN && (key == VK_ADD || key == VK_SUBTRACT);
}

MouseButton buttonOf(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return MouseButton::Left;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        return MouseButton::Right;
    default:
        return MouseButton::Middle;
    }
}

// A key-down that repeats a key held down (its previous state was down).
bool isRepeat(const MSG& message) {
    return (message.lParam & (1L << 30)) != 0;
}

bool isButtonDown(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

} // namespace

LRESULT CALLBACK Win32MainView::windowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* view = static_cast<Win32MainView*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        view->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    }
    auto* view = reinterpret_cast<Win32MainView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && view != nullptr) {
        view->window_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    if (view == nullptr || view->window_ == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return view->handle(message, wParam, lParam);
}

// The lists and buttons: the window sees the keypad's plus and minus whichever
// of them has the focus (also while a list is dropped down, when the keys
// still go to the list's box), without taking the keys from them. A press of
// any mouse button on the tap button is a tap.
LRESULT CALLBACK Win32MainView::controlProc(HWND control, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto* view = static_cast<Win32MainView*>(GetPropW(control, kViewProperty));
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(control, kProcProperty));
    if (view != nullptr && view->events_ != nullptr) {
        if (isKeypadStep(message, wParam)) {
            view->events_->Form_KeyDown(static_cast<int>(wParam));
        } else if (isButtonDown(message) && control == view->control("CmdTempoBeat")) {
            view->events_->CmdTempoBeat_MouseDown(buttonOf(message));
            if (buttonOf(message) != MouseButton::Left) {
                return 0; // the left button alone presses it
            }
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(control, kViewProperty);
        RemovePropW(control, kProcProperty);
    }
    return CallWindowProcW(original, control, message, wParam, lParam);
}

LRESULT Win32MainView::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (events_ != nullptr &&
        (handleMouseOrKey(message, wParam) || handleWindowState(message, wParam, lParam) ||
         handleNotification(message, wParam, lParam))) {
        return 0;
    }
    if (message == showRequestMessage()) { // a second start of the program
        restoreWindow();
        return 0;
    }
    switch (message) {
    case WM_COMMAND:
        handleCommand(wParam);
        return 0;
    case WM_COPYDATA: { // another start's request: one short line of the tag's vocabulary
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const std::optional<InstanceRequest> request =
            data != nullptr && data->dwData == kRequestTag && data->lpData != nullptr &&
                    data->cbData <= kMaxRequestLine
                ? parseRequestLine({static_cast<const char*>(data->lpData), data->cbData})
                : std::nullopt;
        if (!request || !requests_) {
            return 0;
        }
        requests_(*request);
        return 1;
    }
    case WM_NOTIFY:
        if (tipText(lParam)) {
            return 0;
        }
        break;
    case WM_CONTEXTMENU: // from a control, passed on to its parent
        // At -1,-1 it comes from Shift+F10 or the Menu key; a right-button
        // release makes one too, whose press opened the menu already.
        if (GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1 && events_ != nullptr) {
            events_->contextMenuFromKeyboard();
            return 0;
        }
        break;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_DPICHANGED: {
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        layout(HIWORD(wParam));
        return 0;
    }
    default:
        break;
    }
    if (tray_ != nullptr && tray_->handleTaskbarCreated(message)) {
        return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

// A tip asks for its text: a device list's chosen entry, whole; the keys
// that work the patch number.
bool Win32MainView::tipText(LPARAM lParam) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
    if (info->hdr.code != TTN_GETDISPINFOW || info->hdr.hwndFrom != tips_) {
        return false;
    }
    const auto tool = reinterpret_cast<HWND>(info->hdr.idFrom);
    const ListId id = tool == list(ListId::MidiIn) ? ListId::MidiIn : ListId::MidiOut;
    tip_ = tool == control("LblPatch") ? wideFromUtf8(spokenText("LblPatch", "")->description)
                                       : wideFromUtf8(listItem(id, selectedIndex(id)));
    SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, 600);
    info->lpszText = tip_.data();
    return true;
}

// Presses on the bare background (the controls keep their own), and keys
// while the window itself has the focus.
bool Win32MainView::handleMouseOrKey(UINT message, WPARAM wParam) {
    if (isKeypadStep(message, wParam)) {
        events_->Form_KeyDown(static_cast<int>(wParam));
        return false; // not taken
    }
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) {
        events_->Form_MouseDown(buttonOf(message));
        return true;
    }
    return false;
}

bool Win32MainView::handleWindowState(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam != FALSE && !shownBefore_) {
            DefWindowProcW(window_, message, wParam, lParam);
            shownBefore_ = true;
            events_->Form_Resize(windowState()); // the first showing
            return true;
        }
        return false;
    case WM_SIZE:
        if (shownBefore_) {
            events_->Form_Resize(windowState());
        }
        return true;
    case WM_CLOSE: {
        bool cancel = false;
        events_->Form_QueryUnload(cancel);
        if (!cancel) {
            DestroyWindow(window_);
        }
        return true;
    }
    case WM_ENDSESSION:
        if (wParam != FALSE) {
            requestClose(); // Windows ends: the devices are closed before this returns
        }
        return true;
    default:
        return false;
    }
}

bool Win32MainView::handleNotification(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kLampTimer) {
            events_->lampTick();
        } else if (wParam == kServiceSearchTimer) {
            events_->serviceSearchTick();
        } else if (wParam == kSettingsRetryTimer) {
            events_->settingsRetryTick();
        }
        return true;
    case kRelayMessage:
        relayNotePending_.store(false);
        events_->relayNews();
        return true;
    case kDevicesMessage:
        devicesNotePending_.store(false);
        events_->devicesChanged();
        return true;
    case kListChosen:
        listChosen(static_cast<ListId>(wParam));
        return true;
    case Win32TrayIcon::kTrayMessage:
        if (LOWORD(lParam) == WM_LBUTTONDOWN) {
            events_->trayIconPressed(TrayPress::Left);
        } else if (LOWORD(lParam) == WM_RBUTTONDOWN) {
            events_->trayIconPressed(TrayPress::Right);
        }
        return true;
    default:
        return false;
    }
}

// A list reports a choice in one or two notifications (the entry chosen,
// the list closed with it); either posts one message, so a choice makes one
// click, after the list has finished with it. Moving through a dropped-down
// list chooses nothing yet.
void Win32MainView::handleCommand(WPARAM wParam) {
    const int index = LOWORD(wParam) - kFirstControlId;
    const WORD code = HIWORD(wParam);
    if (index < 0 || index >= static_cast<int>(controls_.size()) || events_ == nullptr) {
        return;
    }
    const HWND source = controls_[static_cast<std::size_t>(index)];
    if (source == control("LblPatch") && code == kCaptionDoubleClicked) {
        events_->LblPatch_DblClick();
    } else if (source == control("CmdTempoReset") && code == BN_CLICKED) {
        events_->CmdTempoReset_Click();
    }
    for (int id = 0; id < 4; ++id) {
        if (source != list(static_cast<ListId>(id))) {
            continue;
        }
        if (code == CBN_DROPDOWN || code == CBN_CLOSEUP) {
            dropped_[id] = code == CBN_DROPDOWN;
        }
        if (code == CBN_CLOSEUP) {
            keys_.closed(GetTickCount());
        }
        const bool chosen = code == CBN_SELENDOK || (code == CBN_SELCHANGE && !dropped_[id]);
        if (chosen && !choicePending_[id]) {
            choicePending_[id] = true;
            PostMessageW(window_, kListChosen, static_cast<WPARAM>(id), 0);
        }
    }
}

void Win32MainView::listChosen(ListId id) {
    choicePending_[static_cast<int>(id)] = false;
    const int position = selectedIndex(id);
    switch (id) {
    case ListId::MidiIn:
        events_->CmbMidiIn_Click(position);
        break;
    case ListId::MidiOut:
        events_->CmbMidiOut_Click(position);
        break;
    case ListId::MidiCh:
        events_->channelChosen(position);
        break;
    case ListId::BeatPer:
        events_->beatPerChosen(position);
        break;
    }
}

// The window's keys, seen in its message loop before anything else sees
// them (the boxes and the menu run loops of their own: their keys are
// theirs): Esc and F2 wherever the focus is in the window but in a list that
// is dropped down, which keeps Esc to close itself; Space and Enter on the
// Beat button tap it at the key-down. A key that does its work here goes no
// further, but Space, which shows the button pressed.
bool Win32MainView::windowKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || events_ == nullptr || window_ == nullptr ||
        (message.hwnd != window_ && IsChild(window_, message.hwnd) == FALSE)) {
        return false;
    }
    if (message.hwnd == control("CmdTempoBeat") &&
        (message.wParam == VK_SPACE || message.wParam == VK_RETURN)) {
        if (!isRepeat(message)) {
            events_->CmdTempoBeat_MouseDown(MouseButton::Left);
        }
        return message.wParam == VK_RETURN;
    }
    const bool shifted = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    bool held =
        shifted || (GetKeyState(VK_CONTROL) & 0x8000) != 0 || (GetKeyState(VK_MENU) & 0x8000) != 0;
    for (const HWND box : {list(ListId::MidiIn), list(ListId::MidiOut), list(ListId::MidiCh),
                           list(ListId::BeatPer)}) {
        held = held || (box == message.hwnd && SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0) != 0);
    }
    if (held) {
        return false; // another key, or a dropped-down list's
    }
    if (message.wParam == VK_ESCAPE) {
        keys_.press(*events_, WindowKey::AllSoundOff, isRepeat(message), GetTickCount());
        return true;
    }
    if (message.wParam == VK_F2) {
        keys_.press(*events_, WindowKey::PatchBox, isRepeat(message), GetTickCount());
        return true;
    }
    return false;
}

bool Win32MainView::dispatch(MSG& message) {
    if (windowKey(message)) {
        return true;
    }
    if (window_ == nullptr || IsDialogMessageW(window_, &message) == 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void Win32MainView::processEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        dispatch(message);
    }
}

// A quit asked for before the loop runs is not lost.
void Win32MainView::runEventLoop() {
    MSG message;
    while (!quitRequested_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        dispatch(message);
    }
    quitRequested_ = false;
}

void Win32MainView::quitEventLoop() {
    quitRequested_ = true;
    PostMessageW(window_, WM_NULL, 0, 0);
}

} // namespace moxel
