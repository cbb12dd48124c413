#pragma once

// Windows only.

#include <windows.h>

namespace moxel {

// The window's own two kinds of control, drawn on its black background:
//   caption: a label's text (no background of its own, never the focus); a
//            double-click is sent to the parent as WM_COMMAND with
//            kCaptionDoubleClicked; presses stay with it.
//   frame:   a captioned group box, etched line and caption text.
// Both take WM_SETTEXT and WM_SETFONT; the text colour is set and read with
// the messages below.
inline constexpr wchar_t kCaptionClass[] = L"MoxelCaption";
inline constexpr wchar_t kFrameClass[] = L"MoxelFrame";
inline constexpr UINT kSetTextColor = WM_USER + 1; // wParam: COLORREF
inline constexpr UINT kGetTextColor = WM_USER + 2; // returns the COLORREF
inline constexpr WORD kCaptionDoubleClicked = 1;

void registerCaptionControls(HINSTANCE instance);

// The width the text needs in the font, in pixels.
int captionTextWidth(HWND control);

} // namespace moxel
