#include "app/window/WindowLayout.h"

#include <algorithm>
#include <array>

namespace moxel {

namespace {

using enum ControlKind;
using enum Container;
using enum TextColor;
using enum FontRole;

// LblInput starts one pixel above the client area; FrameTempo reaches one
// pixel below it.
constexpr std::array<ControlEntry, 16> controls{{
    {"LblInput", Label, Window, "Midi In", 195, -15, 435, 165, White, Small, 0},
    {"LblOutput", Label, Window, "Midi Out", 195, 510, 570, 165, White, Small, 1},
    {"CmbMidiIn", DropDownList, Window, "", 0, 135, 2940, 285, System, Small, 2},
    {"CmbMidiOut", DropDownList, Window, "", 0, 660, 2940, 285, System, Small, 3},
    {"CmbMidiCh", DropDownList, Window, "", 0, 1215, 825, 285, System, Small, 4},
    {"LblCh", Label, Window, "Msg Out Ch", 15, 1035, 825, 165, White, Small, 5},
    {"FrameTempo", Frame, Window, "Tempo Calculate", 855, 975, 2085, 750, LightGrey, Default, 6},
    {"LblTempo", Label, FrameTempo, "Tempo = ", 75, 195, 720, 180, LightGrey, Default, 7},
    {"LblTempoVal", Label, FrameTempo, "0.000", 795, 120, 795, 315, LightGrey, LargeBold, 8},
    {"CmdTempoBeat", PushButton, FrameTempo, "Beat", 60, 420, 780, 300, System, Default, 9},
    {"CmdTempoReset", PushButton, FrameTempo, "Reset", 870, 420, 600, 300, System, Default, 10},
    {"CmbBeatPer", DropDownList, FrameTempo, "", 1485, 405, 540, 300, System, Default, 11},
    {"LblPreset", Label, Window, "Prst.", 15, 1545, 330, 165, White, Small, 12},
    {"LblPatch", Label, Window, "000", 450, 1545, 270, 165, White, Small, 13},
    {"LblMidiIn", Label, Window, "\u25CF", 30, 0, 120, 120, White, Lamp, 14},
    {"LblMidiOut", Label, Window, "\u25CF", 30, 525, 120, 120, White, Lamp, 15},
}};

} // namespace

std::span<const ControlEntry> windowControls() {
    return controls;
}

const ControlEntry* findControl(std::string_view name) {
    const auto found = std::ranges::find(controls, name, &ControlEntry::name);
    return found != controls.end() ? &*found : nullptr;
}

} // namespace moxel
