#pragma once

#include <span>
#include <string_view>

#include "app/window/MainView.h"

namespace moxel {

// The main window's controls as data: what each is, where it sits and how it
// looks. Positions and sizes are in twips (1/1440 inch); the window is laid
// out for 15 twips per pixel.

enum class ControlKind { Label, DropDownList, PushButton, Frame };

// The container whose top-left corner a control's Left and Top count from.
enum class Container { Window, FrameTempo };

enum class TextColor { White, LightGrey, System };

enum class FontRole { Small, LargeBold, Lamp, Default };

struct ControlEntry {
    std::string_view name;
    ControlKind kind;
    Container container;
    std::string_view caption; // UTF-8; empty for lists
    int left;                 // twips
    int top;
    int width;
    int height;
    TextColor color;
    FontRole font;
    int tabIndex;
};

inline constexpr int twipsPerPixel = 15;

// Twips to pixels at 15 twips per pixel, rounded to the nearest pixel
// (halves away from zero); every value of the layout is a whole pixel.
constexpr int twipsToPixels(int twips) {
    const int half = twipsPerPixel / 2;
    return (twips >= 0 ? twips + half : twips - half) / twipsPerPixel;
}

// Twips to pixels at a monitor's DPI (96 DPI is 15 twips per pixel), rounded
// to the nearest pixel (halves away from zero).
constexpr int twipsToPixelsAt(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>((scaled >= 0 ? scaled + 720 : scaled - 720) / 1440);
}

// The window's client area.
inline constexpr int clientWidthTwips = 2940;
inline constexpr int clientHeightTwips = 1710;

inline constexpr Rgb whiteText{255, 255, 255};
inline constexpr Rgb lightGreyText{224, 224, 224};
inline constexpr Rgb windowBackground{0, 0, 0};

// The layout was made for "ＭＳ Ｐゴシック". Where that face is missing, the
// Japanese proportional Gothic that stands in for it (IPAPGothic) is this
// much (percent) narrowed to come to the same widths; the lamps' dots keep
// their shape.
inline constexpr int standInFaceStretch = 88;

// The sixteen controls in tab order.
std::span<const ControlEntry> windowControls();

// The control with that name, or nullptr.
const ControlEntry* findControl(std::string_view name);

} // namespace moxel
