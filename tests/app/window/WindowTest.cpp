// Twips to pixels at a monitor's DPI; a held key's repeats, told by the key's
// own events, and the Esc right after a menu, a list or a box closed, fed as
// the views feed them.
#include "app/window/WindowKeys.h"
#include "app/window/WindowLayout.h"

#include <cctype>
#include <sstream>

#include <gtest/gtest.h>

#include "support/RecordingEvents.h"

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

TEST(WindowKeys, AHeldKeyActsOnceAndAnEscRightAfterAClosingDoesNothing) {
    const std::string esc = "MnuAllSoundOff_Click()", f2 = "LblPatch_DblClick()";
    // Steps, each at its time in ms: E and F Esc and F2 going down (R: Esc
    // flagged as a repeat by the toolkit), e and f going up, c a closing.
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"E100 e600 E600 e640 E640", {esc}}, // X11's pairs, read apart
        {"E100 R600", {esc}},
        {"E100 e600 E640", {esc, esc}}, // up, and down again
        {"F100 f600 E600", {f2, esc}},  // another key went up
        {"E0 e0 E0", {esc, esc}},       // no time: made by a program
        {"c1000 E1000 E1499", {}},
        {"c1000 F1001", {f2}},
        {"c1000 E1500 E1600", {esc, esc}},
        {"c1000 E1600 c2000 E2100", {esc}},
        {"c4294967040 E240 E512", {esc}}, // across the counter's wrap
    };
    for (const auto& [steps, calls] : cases) {
        test::RecordingEvents events;
        KeyRepeats repeats;
        WindowKeys keys;
        char what = 0;
        std::uint32_t at = 0;
        for (std::istringstream in(steps); in >> what >> at;) {
            const int key = what == 'R' ? 'E' : std::toupper(what);
            if (what == 'c') {
                keys.closed(at);
            } else if (std::islower(what) != 0) {
                repeats.released(key, at);
            } else {
                keys.press(events, key == 'F' ? WindowKey::PatchBox : WindowKey::AllSoundOff,
                           repeats.repeats(key, at, what == 'R'), at);
            }
        }
        EXPECT_EQ(events.calls, calls) << steps;
    }
}

} // namespace
} // namespace moxel
