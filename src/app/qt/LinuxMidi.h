#pragma once

#include <memory>
#include <optional>

#include "midi/MidiBackend.h"
#include "midi/MidiSystem.h"

namespace moxel {

class RelayShared;

// The Linux program's MIDI systems: JACK (or PipeWire's JACK service) and the
// ALSA sequencer.
std::unique_ptr<MidiBackend> makeLinuxBackend(MidiSystem system, RelayShared& relay);

// The first backend: of the system asked for (the command line, else the
// choice stored in setting.ini); without one, JACK where a server answers
// (none is started), else the ALSA sequencer where it opens, else JACK again,
// whose search finds a server that starts later. chosen: which it is.
std::unique_ptr<MidiBackend> makeFirstLinuxBackend(std::optional<MidiSystem> asked,
                                                   RelayShared& relay, MidiSystem& chosen);

} // namespace moxel
