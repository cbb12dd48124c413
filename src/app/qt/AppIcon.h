#pragma once

#include <QIcon>
#include <QPixmap>

namespace moxel {

// The window's and the notification area's icon: a MIDI socket seen from the
// front, its outer pins lit green (in) and red (out) like the window's lamps.
// Drawn in code for each size, so it stays sharp at 16, 32 and 64 pixels.
QIcon appIcon();

// The picture at one size in device pixels (square, transparent corners).
QPixmap paintAppIcon(int size);

} // namespace moxel
