// The window's keys: the handler of each, a held key's repeats, and the Esc
// that comes right after a menu, a list or a box closed.
#include "app/window/WindowKeys.h"

#include <gtest/gtest.h>

#include "support/RecordingEvents.h"

namespace moxel {
namespace {

using Calls = std::vector<std::string>;

TEST(KeyRepeats, APressRepeatsWhenFlaggedOrWhenItHasTheKeyAndTimeOfTheLastRelease) {
    constexpr int esc = 9, f2 = 68; // X11's key codes
    const struct {
        int releasedKey;
        std::uint64_t releasedAt;
        int pressedKey;
        std::uint64_t pressedAt;
        bool flagged, repeats;
    } cases[] = {
        {esc, 100, esc, 100, false, true},  // X11's pair, read apart
        {esc, 100, esc, 140, false, false}, // pressed again
        {f2, 100, esc, 100, false, false},  // another key went up
        {esc, 0, esc, 0, false, false},     // no time: made by a program
        {esc, 100, esc, 140, true, true},   // the toolkit knows
    };
    for (const auto& c : cases) {
        KeyRepeats repeats;
        repeats.released(c.releasedKey, c.releasedAt);
        EXPECT_EQ(repeats.repeats(c.pressedKey, c.pressedAt, c.flagged), c.repeats)
            << c.releasedKey << "@" << c.releasedAt << " " << c.pressedKey << "@" << c.pressedAt;
    }
}

TEST(WindowKeys, HeldKeysActOnceAndAnEscRightAfterAClosingDoesNothing) {
    struct Step {
        std::optional<WindowKey> key; // nothing: a menu, list or box closed
        bool repeat;
        std::uint32_t at;
    };
    const auto closed = [](std::uint32_t at) { return Step{std::nullopt, false, at}; };
    const auto press = [](WindowKey key, std::uint32_t at, bool repeat = false) {
        return Step{key, repeat, at};
    };
    using enum WindowKey;
    const std::string esc = "MnuAllSoundOff_Click()";
    const struct {
        const char* what;
        std::vector<Step> steps;
        Calls calls;
    } cases[] = {
        {"each key its handler",
         {press(PatchUp, 1), press(PatchDown, 2), press(AllSoundOff, 3), press(PatchBox, 4),
          press(Menu, 5)},
         {"Form_KeyDown(107)", "Form_KeyDown(109)", esc, "LblPatch_DblClick()",
          "contextMenuFromKeyboard()"}},
        {"held: the keypad steps at every repeat, the others act once",
         {press(PatchUp, 1, true), press(PatchDown, 2, true), press(AllSoundOff, 3, true),
          press(PatchBox, 4, true), press(Menu, 5, true)},
         {"Form_KeyDown(107)", "Form_KeyDown(109)"}},
        {"Esc within half a second of a closing",
         {closed(1000), press(AllSoundOff, 1000), press(AllSoundOff, 1499)},
         {}},
        {"the other keys work at once",
         {closed(1000), press(PatchBox, 1001), press(Menu, 1002), press(PatchUp, 1003)},
         {"LblPatch_DblClick()", "contextMenuFromKeyboard()", "Form_KeyDown(107)"}},
        {"Esc half a second after it",
         {closed(1000), press(AllSoundOff, 1500), press(AllSoundOff, 1600)},
         {esc, esc}},
        {"another closing holds Esc back again",
         {closed(1000), press(AllSoundOff, 1600), closed(2000), press(AllSoundOff, 2100)},
         {esc}},
        {"across the counter's wrap",
         {closed(0xFFFFFF00U), press(AllSoundOff, 0xF0), press(AllSoundOff, 0x200)},
         {esc}},
    };
    for (const auto& c : cases) {
        test::RecordingEvents events;
        WindowKeys keys;
        for (const Step& step : c.steps) {
            if (step.key) {
                keys.press(events, *step.key, step.repeat, step.at);
            } else {
                keys.closed(step.at);
            }
        }
        EXPECT_EQ(events.calls, c.calls) << c.what;
    }
}

} // namespace
} // namespace moxel
