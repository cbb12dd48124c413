#pragma once

#include <QFont>

#include "app/window/WindowLayout.h"

namespace moxel {

// The window's fonts. The layout was made for "ＭＳ Ｐゴシック"; where that face
// is missing, IPAPGothic stands in. Sizes are in pixels (the point sizes at
// 96 dpi), so the layout does not depend on the screen's dpi; on scaled
// displays Qt scales them with everything else.
//
// The stand-in's Latin letters run about 12% wider than those of the layout's
// face at the same size, which would push captions into their neighbours
// ("Msg Out Ch" into the tempo frame); for the controls' captions it is
// narrowed to the layout's widths. The lamp's dot keeps its round shape.
QFont appFont(FontRole role);

// The face of the window at the default size, not narrowed: for the
// Japanese texts of the pop-up menu.
QFont menuFont();

// The pixel size of each font: small 8.25 pt, large bold 15.75 pt, lamp 6 pt,
// default 9 pt.
int fontPixelSize(FontRole role);

// Whether the layout's own face is installed.
bool layoutFaceInstalled();

// The horizontal stretch (percent) that brings the stand-in face to the
// layout face's widths.
inline constexpr int standInStretch = standInFaceStretch;

} // namespace moxel
