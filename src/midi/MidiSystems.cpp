#include "midi/MidiSystems.h"

#include <algorithm>

namespace moxel::midi {

const MidiSystem* midiSystemNamed(MidiSystems systems, std::string_view key) {
    const auto row = std::ranges::find(systems, key, &MidiSystem::key);
    return row != systems.end() ? &*row : nullptr;
}

std::unique_ptr<MidiBackend> makeFirstBackend(MidiSystems systems, const MidiSystem* asked,
                                              const MakeBackend& make, const MidiSystem*& chosen) {
    chosen = asked != nullptr ? asked : &systems.front();
    std::unique_ptr<MidiBackend> first = make(*chosen);
    if (asked != nullptr || first->serviceAvailable()) {
        return first;
    }
    for (const MidiSystem& other : systems.subspan(1)) {
        if (std::unique_ptr<MidiBackend> backend = make(other); backend->serviceAvailable()) {
            chosen = &other;
            return backend;
        }
    }
    return first; // none: the first looks for its service now and then
}

} // namespace moxel::midi
