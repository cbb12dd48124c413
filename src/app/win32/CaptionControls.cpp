#include "app/win32/CaptionControls.h"

#include <string>

namespace moxel {

namespace {

struct Look {
    COLORREF color = RGB(255, 255, 255);
    HFONT font = nullptr;
};

constexpr int kFrameCaptionLeft = 8; // from the frame's left edge
constexpr int kFrameCaptionGap = 2;  // free line on either side of the caption

Look* lookOf(HWND window) {
    return reinterpret_cast<Look*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::wstring textOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// An etched line broken where the caption stands, and the caption.
void paintFrame(HWND window, HDC dc, const Look& look) {
    RECT area;
    GetClientRect(window, &area);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const HGDIOBJ old = SelectObject(dc, look.font);
    const std::wstring text = textOf(window);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    RECT border = area;
    border.top = size.cy / 2;
    DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
    RECT caption{kFrameCaptionLeft - kFrameCaptionGap, 0,
                 kFrameCaptionLeft + size.cx + kFrameCaptionGap, size.cy};
    FillRect(dc, &caption, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look.color);
    TextOutW(dc, kFrameCaptionLeft, 0, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, old);
}

bool isFrame(HWND window) {
    wchar_t name[32];
    GetClassNameW(window, name, 32);
    return lstrcmpW(name, kFrameClass) == 0;
}

// Where a label stands over a frame (the tempo value over the frame's
// caption), the frame's line and caption show around the label's text, as
// under a transparent label.
void paintFramesBelow(HWND label, HDC dc) {
    RECT mine;
    GetWindowRect(label, &mine);
    for (HWND sibling = GetWindow(label, GW_HWNDFIRST); sibling != nullptr;
         sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        RECT frame, overlap;
        GetWindowRect(sibling, &frame);
        if (sibling == label || !isFrame(sibling) || !IntersectRect(&overlap, &mine, &frame)) {
            continue;
        }
        POINT origin{};
        SetViewportOrgEx(dc, frame.left - mine.left, frame.top - mine.top, &origin);
        paintFrame(sibling, dc, *lookOf(sibling));
        SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    }
}

void paintCaption(HWND window, HDC dc, const Look& look) {
    RECT area;
    GetClientRect(window, &area);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    paintFramesBelow(window, dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look.color);
    const HGDIOBJ old = SelectObject(dc, look.font);
    const std::wstring text = textOf(window);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(dc, old);
}

LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Look* look = lookOf(window);
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new Look));
        break;
    case WM_NCDESTROY:
        delete look;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    case WM_SETFONT:
        look->font = reinterpret_cast<HFONT>(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(look->font);
    case kSetTextColor:
        look->color = static_cast<COLORREF>(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case kGetTextColor:
        return static_cast<LRESULT>(look->color);
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, TRUE);
        return result;
    }
    case WM_ERASEBKGND:
        return 1; // painted whole in WM_PAINT
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        if (isFrame(window)) {
            paintFrame(window, dc, *look);
        } else {
            paintCaption(window, dc, *look);
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        SendMessageW(GetParent(window), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(window), kCaptionDoubleClicked),
                     reinterpret_cast<LPARAM>(window));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        return 0; // a press on a control is its own, not the window's
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void registerCaptionControls(HINSTANCE instance) {
    for (const wchar_t* name : {kCaptionClass, kFrameClass}) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = controlProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = name;
        RegisterClassExW(&windowClass); // fails harmlessly when registered before
    }
}

int captionTextWidth(HWND control) {
    const std::wstring text = textOf(control);
    const HDC dc = GetDC(control);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

} // namespace moxel
