// Win32MainView: creating the controls of the window layout and placing them
// at the monitor's DPI.
#include <algorithm>

#include "app/win32/CaptionControls.h"
#include "app/win32/LiteralText.h"
#include "app/win32/Win32MainView.h"
#include "app/win32/Win32MainViewIds.h"
#include "encoding/Utf16.h"

namespace moxel {

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr int kListRows = 12;        // rows a dropped list shows
constexpr int kFrameInnerMargin = 2; // room between a grown label and the frame's border

COLORREF colorOf(Rgb rgb) {
    return RGB(rgb.red, rgb.green, rgb.blue);
}

HWND createControl(HWND parent, const ControlEntry& entry, int id) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto menuId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    switch (entry.kind) {
    case ControlKind::Label:
        return CreateWindowExW(0, kCaptionClass, wideFromUtf8(entry.caption).c_str(), kChild, 0, 0,
                               0, 0, parent, menuId, instance, nullptr);
    case ControlKind::Frame:
        return CreateWindowExW(0, kFrameClass, literalText(entry.caption).c_str(), kChild, 0, 0, 0,
                               0, parent, menuId, instance, nullptr);
    case ControlKind::DropDownList:
        return CreateWindowExW(0, L"COMBOBOX", L"",
                               kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0, 0, 0,
                               parent, menuId, instance, nullptr);
    case ControlKind::PushButton:
        return CreateWindowExW(0, L"BUTTON", literalText(entry.caption).c_str(),
                               kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, parent, menuId,
                               instance, nullptr);
    }
    return nullptr;
}

int heightOf(HWND control) {
    RECT box;
    GetWindowRect(control, &box);
    return box.bottom - box.top;
}

// A closed list is as high as its text field's item height makes it. The
// field is set until the list has the height wanted (a few turns: systems
// differ in what they add to the height they are given).
void fitClosedListHeight(HWND list, int wanted) {
    auto field = static_cast<int>(SendMessageW(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    for (int turn = 0; turn < 3 && heightOf(list) != wanted; ++turn) {
        field += wanted - heightOf(list);
        SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
}

} // namespace

// In the table's (tab) order, which is the order the Tab key follows; the
// labels and the frame go beneath the others, the frame lowest, so the
// controls inside it are drawn over it.
void Win32MainView::createControls() {
    registerCaptionControls(GetModuleHandleW(nullptr));
    const auto entries = windowControls();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        controls_[i] = createControl(window_, entries[i], kFirstControlId + static_cast<int>(i));
        if (entries[i].kind == ControlKind::Label || entries[i].kind == ControlKind::Frame) {
            const Rgb color = entries[i].color == TextColor::White ? whiteText : lightGreyText;
            SendMessageW(controls_[i], kSetTextColor, colorOf(color), 0);
        }
        if (entries[i].kind == ControlKind::DropDownList ||
            entries[i].kind == ControlKind::PushButton) {
            SetPropW(controls_[i], kViewProperty, this);
            SetPropW(controls_[i], kProcProperty,
                     reinterpret_cast<HANDLE>(SetWindowLongPtrW(
                         controls_[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc))));
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind == ControlKind::Label) {
            SetWindowPos(controls_[i], HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
    }
    SetWindowPos(control("FrameTempo"), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    addListTips();
}

// The device lists' tips show the chosen entry whole, however narrow the
// closed list is; the patch number's tells the key that opens the patch box.
// The text is asked for when the tip shows (TTN_GETDISPINFO).
void Win32MainView::addListTips() {
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0,
                            0, 0, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (const HWND shown : {list(ListId::MidiIn), list(ListId::MidiOut), control("LblPatch")}) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(shown);
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

// Every control at its place and size of the layout table, in twips
// converted at this DPI, with its font; a dropped-down list's closed box is
// made exactly as high as the table says.
void Win32MainView::layout(UINT dpi) {
    dpi_ = dpi;
    fonts_ = std::make_unique<Win32Fonts>(dpi);
    const auto px = [dpi](int twips) { return twipsToPixelsAt(twips, static_cast<int>(dpi)); };
    const ControlEntry& frame = *findControl("FrameTempo");
    const auto entries = windowControls();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ControlEntry& entry = entries[i];
        const bool inFrame = entry.container == Container::FrameTempo;
        const int left = entry.left + (inFrame ? frame.left : 0);
        const int top = entry.top + (inFrame ? frame.top : 0);
        // Edges, not sizes, are rounded: controls that meet in twips meet in pixels.
        const int width = px(left + entry.width) - px(left);
        const int height = px(top + entry.height) - px(top);
        const bool list = entry.kind == ControlKind::DropDownList;
        SendMessageW(controlAt(i), WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->font(entry.font)),
                     TRUE);
        MoveWindow(controlAt(i), px(left), px(top), width, list ? height * kListRows : height,
                   TRUE);
        if (list) {
            fitClosedListHeight(controlAt(i), height);
        }
    }
    fitToCaptions();
}

// A label is as wide as its caption, at least as wide as the table says; a
// grown caption stays whole: the frame and the window widen while it needs
// the room and return to their own sizes when it shrinks again.
void Win32MainView::fitToCaptions() {
    const auto px = [this](int twips) { return twipsToPixelsAt(twips, static_cast<int>(dpi_)); };
    const ControlEntry& frameEntry = *findControl("FrameTempo");
    const int frameLeft = px(frameEntry.left);
    int frameRight = px(frameEntry.left + frameEntry.width);
    const auto entries = windowControls();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind != ControlKind::Label) {
            continue;
        }
        RECT box;
        GetWindowRect(controlAt(i), &box);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&box), 2);
        const int tableWidth = px(entries[i].left + entries[i].width) - px(entries[i].left);
        const int width = std::max(tableWidth, captionTextWidth(controlAt(i)));
        SetWindowPos(controlAt(i), nullptr, 0, 0, width, box.bottom - box.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (entries[i].container == Container::FrameTempo) {
            frameRight =
                std::max(frameRight, static_cast<int>(box.left) + width + kFrameInnerMargin);
        }
    }
    SetWindowPos(control("FrameTempo"), nullptr, 0, 0, frameRight - frameLeft,
                 px(frameEntry.top + frameEntry.height) - px(frameEntry.top),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    fitWindow(std::max(px(clientWidthTwips), frameRight));
}

// The border and title bar come at the DPI the system draws the window at
// (96 for a program that is not DPI-aware), the client area at the layout's.
void Win32MainView::fitWindow(int clientWidth) {
    RECT frame{0, 0, clientWidth, twipsToPixelsAt(clientHeightTwips, static_cast<int>(dpi_))};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)),
                             FALSE, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)),
                             GetDpiForWindow(window_));
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace moxel
