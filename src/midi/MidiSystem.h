#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moxel {

// The MIDI services Moxel can use on Linux.
enum class MidiSystem { Jack, Alsa };

// The key of setting.ini that keeps the system the user chose in the menu.
inline constexpr std::string_view kMidiSystemKey = "MidiSystem";

// "jack", "alsa": how the command line and setting.ini name them.
constexpr std::string_view keyOf(MidiSystem system) {
    return system == MidiSystem::Jack ? "jack" : "alsa";
}

constexpr std::optional<MidiSystem> midiSystemNamed(std::string_view name) {
    if (name == "jack") {
        return MidiSystem::Jack;
    }
    if (name == "alsa") {
        return MidiSystem::Alsa;
    }
    return std::nullopt;
}

// The choice between MIDI systems where a program offers one: the window
// shows which one serves and switches to another on the user's word.
class MidiSystemChoice {
  public:
    virtual ~MidiSystemChoice() = default;
    // The system that serves now.
    virtual MidiSystem current() = 0;
    // From here on that system serves; the open devices must be closed first.
    virtual void use(MidiSystem system) = 0;
};

} // namespace moxel
