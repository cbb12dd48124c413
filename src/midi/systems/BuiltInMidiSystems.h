#pragma once

#include "midi/MidiSystems.h"

namespace moxel::midi {

// The MIDI systems built into this program (a system left out of the build
// has no row), in the order of the automatic choice. Never empty.
MidiSystems builtInMidiSystems();

} // namespace moxel::midi
