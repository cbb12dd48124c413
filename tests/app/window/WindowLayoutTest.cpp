// Twips to pixels at a monitor's DPI.
#include "app/window/WindowLayout.h"

#include <gtest/gtest.h>

namespace moxel {
namespace {

TEST(WindowLayout, TwipsBecomePixelsAtTheMonitorsDpiRoundedToTheNearest) {
    struct Case {
        int twips, dpi, pixels;
    };
    const Case cases[] = {{2940, 96, 196}, {2940, 144, 294}, {2940, 120, 245}, {1710, 144, 171},
                          {285, 120, 24},  {-15, 96, -1},    {-15, 144, -2},   {7, 96, 0},
                          {8, 96, 1},      {2085, 144, 209}, {855, 144, 86},   {0, 192, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(twipsToPixelsAt(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
    }
    // At 96 DPI every value of the layout is a whole pixel, as twipsToPixels has it.
    for (const ControlEntry& entry : windowControls()) {
        for (const int twips : {entry.left, entry.top, entry.width, entry.height}) {
            EXPECT_EQ(twipsToPixelsAt(twips, 96), twipsToPixels(twips)) << entry.name;
        }
    }
}

} // namespace
} // namespace moxel
