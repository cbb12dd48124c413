#pragma once

// Windows only.

#include <string>

#include <windows.h>

#include "app/window/WindowLayout.h"

namespace moxel {

// The window's fonts at one DPI: the layout's face ("ＭＳ Ｐゴシック", with the
// Shift-JIS character set) in the sizes of the font roles. Where that face is
// missing (outside Japanese Windows, or under Wine) another Japanese
// proportional Gothic stands in, else the system's own face.
class Win32Fonts {
  public:
    explicit Win32Fonts(UINT dpi);
    ~Win32Fonts();
    Win32Fonts(const Win32Fonts&) = delete;
    Win32Fonts& operator=(const Win32Fonts&) = delete;

    HFONT font(FontRole role) const { return fonts_[static_cast<int>(role)]; }
    const std::wstring& face() const { return face_; }

    // Pixel height of a role's font (its em size) at a DPI.
    static int pixelHeight(FontRole role, UINT dpi);
    // The face that is used: the layout's, or the stand-in.
    static std::wstring chooseFace();

  private:
    std::wstring face_;
    HFONT fonts_[4] = {};
};

} // namespace moxel
