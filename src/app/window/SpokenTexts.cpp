#include "app/window/SpokenTexts.h"

#include <algorithm>
#include <array>

#include "app/window/Texts.h"
#include "app/window/WindowKeys.h"

namespace moxel {

namespace {

struct Entry {
    std::string_view control;
    Text name; // "{}": the caption shown
    std::optional<Text> description;
    std::optional<WindowKey> key; // what "{}" in the description stands for
};

constexpr std::array<Entry, 10> entries{{
    {"CmbMidiIn", Text::SpokenMidiIn, {}, {}},
    {"CmbMidiOut", Text::SpokenMidiOut, {}, {}},
    {"CmbMidiCh", Text::SpokenChannel, {}, {}},
    {"CmbBeatPer", Text::SpokenBeatPer, {}, {}},
    {"LblTempoVal", Text::SpokenTempo, {}, {}},
    {"LblPatch", Text::SpokenPatch, Text::SpokenPatchKey, WindowKey::PatchBox},
    {"CmdTempoBeat", Text::SpokenBeat, Text::SpokenBeatKeys, {}},
    {"CmdTempoReset", Text::SpokenReset, {}, {}},
    {"LblMidiIn", Text::SpokenInputLamp, Text::SpokenLampOff, {}},
    {"LblMidiOut", Text::SpokenOutputLamp, Text::SpokenLampOff, {}},
}};

} // namespace

std::optional<SpokenText> spokenText(std::string_view control, std::string_view caption) {
    const auto* entry = std::ranges::find(entries, control, &Entry::control);
    if (entry == entries.end()) {
        return std::nullopt;
    }
    SpokenText spoken{text(entry->name, caption), {}};
    if (entry->description) {
        spoken.description =
            text(*entry->description, entry->key ? windowKeyName(*entry->key) : std::string_view{});
    }
    return spoken;
}

std::string_view spokenLampState(bool lit) {
    return text(lit ? Text::SpokenLampLit : Text::SpokenLampOff);
}

} // namespace moxel
