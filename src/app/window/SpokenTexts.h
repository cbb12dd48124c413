#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moxel {

// What a screen reader says for a control of the window layout, in the
// current language, where the control's caption alone does not tell: a list
// shows only its entry, a lamp only a dot, a value only a number.
struct SpokenText {
    std::string name;
    std::string description; // the keys that work the control; a lamp's state
};

// The texts of the control of that name while it shows `caption`, or
// nothing for a control whose caption names it (the fixed labels, the frame).
std::optional<SpokenText> spokenText(std::string_view control, std::string_view caption);

// A lamp's state as a screen reader says it.
std::string_view spokenLampState(bool lit);

} // namespace moxel
